#include "main/TapdeckP.h"

TForm1::TForm1(QWidget* parent) : QWidget(parent) { setObjectName("TForm1"); }
