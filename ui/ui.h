// The whole window toolkit in one include.
#pragma once
#include "ui/Control.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/ImageList.h"
#include "ui/ListView.h"
#include "ui/Menu.h"
#include "base/Seams.h"
#include "ui/TreeView.h"
