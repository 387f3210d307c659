#include "depends/Form1.h"

Form1::Form1() : Form("Form1", {.caption = "Form1"}) {}
