// Identifiers of the framework tests' dialog (dialog_framework_test.rc).
#pragma once

#define IDD_FRAMEWORK_TEST 200

#define IDC_EDIT 10
#define IDC_ACT 11
#define IDC_LIST 12
