#include "CAboutBox.h"

#include "resource.h"

CAboutBox::CAboutBox() noexcept : kd::CDialog(IDD_ABOUTBOX) {}
