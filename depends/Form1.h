// Form1: the stand-alone viewer's second window. It holds nothing and nothing loads or shows
// it; the program's only window is the dependency viewer.
#pragma once
#include "ui/Form.h"

class Form1 : public ui::Form {
public:
    Form1();
};
