#pragma once
// Finding a window's controls in tests: by the object name every control
// carries, as a user finds them by what they show. The windows keep their
// controls private.

#include <QObject>
#include <QString>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace td::test {

// The control named name inside window w (a pointer, smart pointer or
// reference); a missing control fails the test with its name.
template <class T, class Window>
T* child(const Window& w, const char* name) {
    const QObject* parent;
    if constexpr (std::is_base_of_v<QObject, Window>)
        parent = &w;
    else
        parent = std::to_address(w);
    T* c = parent->template findChild<T*>(QString::fromLatin1(name));
    if (!c)
        throw std::runtime_error(std::string("no control named ") + name + " in " +
                                 parent->objectName().toStdString());
    return c;
}

}  // namespace td::test
