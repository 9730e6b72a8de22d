#pragma once
// The window side of backup and restore: the folder asked through the file
// chooser, the engine's runs shown in a small progress window (each part and
// its count, a button that stops the run), the outcome told once. The steps
// are those of the command line (backup.h).

class QWidget;

namespace td::backup {

// "Резервная копия телефона…": a new folder named by the user.
void backupFromWindow(QWidget* parent);
// "Восстановить из копии…": the copy's manifest.txt chosen by the user; the
// counts are asked about before anything is written.
void restoreFromWindow(QWidget* parent);

}  // namespace td::backup
