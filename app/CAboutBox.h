// The about box (template 100), run from the main dialog's system menu.
#pragma once

#include "CDialog.h"

class CAboutBox : public kd::CDialog {
public:
    CAboutBox() noexcept;
};
