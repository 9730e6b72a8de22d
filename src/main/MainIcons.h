#pragma once
// Small pictures for the main window's buttons, drawn in code.

#include <QIcon>

namespace td::icons {

enum class Picture {
    Help,
    SetUp,
    Call,
    HangUp,
    SoundUp,
    SoundDown,
    PhoneBook,
    PBookModify,
    DateBook,
    MissCall,
    UnReadSMS,
    AllSMS,
    SentSMS,
    ReSend,
    Send,
    Clear
};

// A 32x32 picture (scaled by the button as needed).
QIcon icon(Picture p);

}  // namespace td::icons
