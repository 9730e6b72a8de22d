#pragma once
// The read cycle as the phone check window runs it: the engine works the
// commands of "CheckPhone.bat" and writes the phone's answers to its log,
// which is both watched and parsed; no busy test before the update.

#include <string>

#include "engine/readcycle.h"

namespace td {

// The cycle works with the window's own flags.
ReadCycleConfig phoneCheckCycleConfig(ReadFlags& flags);

// The status texts of the window that the cycle does not show itself.
std::string CheckStatusIdle();  // "Применимость программы ..."
std::string CheckStatusCurrent();  // "Текущие характеристики мобильного телефона"
std::string CheckNotEnoughText();  // "- Исходных данных для проверки недостаточно"
std::string CheckBatchErrorText();  // "- Ошибка создания файла=CheckPhone.bat"

}  // namespace td
