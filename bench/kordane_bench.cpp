// Benchmark (not a test): what a user waits for with many entries, as ratios
// to the store's own work on the same file.
//   login-to-filled-list: from OK in the login dialog to the filled list, less
//                         the time the "Login success." box stays open;
//   exit-to-file-written: the main window's destruction (list handed back,
//                         file written) until it is gone; and its phases: the
//                         check for another program's change (the file read
//                         and hashed), the store's save, and the list view's
//                         teardown of its rows (timed as LVM_DELETEALLITEMS
//                         before an Exit measured apart);
//   find: Find from the top for the last row's account (found, selected and
//         loaded into the fields) and for a text no entry holds (every text
//         read), against LVM_FINDITEM for the same account (a prefix match of
//         the first column only, which the list asks the dialog for, as its
//         type-ahead does).
// Peers: CAccountFile::Open (load) and CAccountFile::Save of the same file.
// Run: scripts/with-display.sh scripts/wine-session.sh <build>/win32/wine-run <build>/win32/bin/kordane_bench.exe
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "CAccountFile.h"
#include "CKordaneApp.h"
#include "CKordaneDlg.h"
#include "resource.h"

CKordaneApp theApp;

namespace {

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / frequency;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Polls every millisecond: the poll's period is part of what is measured.
HWND WaitFor(DWORD thread, const char* caption)
{
    return kdtest::WaitTopWindow(kdtest::WindowQuery().Titled(caption).OfThread(thread).TakingInput(), INFINITE,
                                 nullptr, 1);
}

void WriteFile(const std::string& admin, int count)
{
    CAccountFile file;
    (void)file.Open(admin.c_str());
    file.SetAdministrator(admin, "pw");
    char text[64];
    for (int i = 0; i < count; ++i) {
        AccountRecord record{};
        std::snprintf(text, sizeof text, "account%07d", i);
        kd::SetText(record.account, text);
        std::snprintf(text, sizeof text, "pass-%d", i * 7919);
        kd::SetText(record.password, text);
        kd::SetText(record.comment, "an ordinary comment");
        if (!file.AddRecord(record)) return;
    }
    file.EnableSave();
    (void)file.Save();
}

struct Times {
    double storeLoad, storeSave, fingerprint, login, exit, listTeardown, exitWithoutRows, findLast, findNone, listFind;
};

// rowsFirst: the list's rows deleted (and timed) before the Exit is timed.
Times MeasureOnce(const std::string& admin, int count, bool rowsFirst)
{
    Times t{};
    {
        CAccountFile file;
        kd::fileio::FilePath path;
        if (!kd::fileio::FilePath::Resolve(admin + ".qrd", path)) return t;
        const double f0 = Now();
        (void)CAccountFile::FingerprintOf(path);
        t.fingerprint = Now() - f0;
        const double t0 = Now();
        (void)file.Open(admin.c_str());
        t.storeLoad = Now() - t0;
        file.EnableSave();
        const double t1 = Now();
        (void)file.Save();
        t.storeSave = Now() - t1;
    }

    auto* dlg = new CKordaneDlg();
    theApp.SetMainWindow(dlg);
    if (!dlg->Create()) return t;
    ::ShowWindow(dlg->GetSafeHwnd(), SW_SHOW);
    kdtest::Pump(50);

    const DWORD ui = ::GetCurrentThreadId();
    double okAt = 0, boxAt = 0, boxClosedAt = 0;
    std::thread driver([&] {
        HWND login = WaitFor(ui, "Login Dialog");
        kdtest::SetItemText(login, IDC_EDIT_ACCOUNT, admin);
        kdtest::SetItemText(login, IDC_EDIT_PASSWORD, "pw");
        okAt = Now();
        kdtest::PostClick(login, IDOK);
        HWND box = WaitFor(ui, "Message Box");
        boxAt = Now();
        kdtest::PostClick(box, IDC_BUTTON_MESSAGE_OK);
        boxClosedAt = Now();
    });
    kdtest::Click(dlg->GetSafeHwnd(), IDC_BUTTON_LOGIN);
    ::UpdateWindow(dlg->GetSafeHwnd());
    const double filledAt = Now();
    driver.join();
    t.login = (boxAt - okAt) + (filledAt - boxClosedAt);

    char last[64];
    std::snprintf(last, sizeof last, "account%07d", count - 1);
    const double f0 = Now();
    (void)dlg->FindRow(last, false);
    t.findLast = Now() - f0;
    const double f1 = Now();
    (void)dlg->FindRow("no such entry", false);
    t.findNone = Now() - f1;
    LVFINDINFOA info{};
    info.flags = LVFI_STRING | LVFI_PARTIAL;
    info.psz = last;
    const double f2 = Now();
    (void)::SendMessageA(::GetDlgItem(dlg->GetSafeHwnd(), IDC_LIST_ACCOUNTS), LVM_FINDITEMA, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(&info));
    t.listFind = Now() - f2;

    if (rowsFirst) {
        const double d0 = Now();
        ::SendMessageA(::GetDlgItem(dlg->GetSafeHwnd(), IDC_LIST_ACCOUNTS), LVM_DELETEALLITEMS, 0, 0);
        t.listTeardown = Now() - d0;
    }
    const double e0 = Now();
    (void)dlg->DestroyWindow(); // hands the list back; the store writes the file (timed, not checked)
    (rowsFirst ? t.exitWithoutRows : t.exit) = Now() - e0;
    return t;
}

} // namespace

int main()
{
    kdtest::TempFolder folder("kd-bench");
    std::printf("%9s %12s %12s %7s %12s %12s %7s\n", "entries", "store load", "login->list", "ratio", "store save",
                "exit->file", "ratio");
    struct Finds {
        int count;
        double last, none, list;
    };
    std::vector<Finds> finds;
    struct ExitPhases {
        int count;
        double exit, fingerprint, save, teardown, withoutRows;
    };
    std::vector<ExitPhases> phases;
    for (int count : {10000, 100000}) {
        const std::string admin = "bench" + std::to_string(count);
        WriteFile(admin, count);
        std::vector<Times> runs, apart;
        const int repetitions = count > 50000 ? 3 : 5;
        for (int i = 0; i < repetitions; ++i) {
            runs.push_back(MeasureOnce(admin, count, false));
            apart.push_back(MeasureOnce(admin, count, true));
        }
        auto medianOf = [](const std::vector<Times>& of, double Times::*field) {
            std::vector<double> v;
            for (const Times& t : of) v.push_back(t.*field);
            return Median(v);
        };
        auto median = [&](double Times::*field) { return medianOf(runs, field); };
        phases.push_back({count, median(&Times::exit), median(&Times::fingerprint), median(&Times::storeSave),
                          medianOf(apart, &Times::listTeardown), medianOf(apart, &Times::exitWithoutRows)});
        const double load = median(&Times::storeLoad), login = median(&Times::login);
        const double save = median(&Times::storeSave), exit = median(&Times::exit);
        std::printf("%9d %10.1f ms %10.1f ms %7.2f %10.1f ms %10.1f ms %7.2f\n", count, load, login, login / load, save,
                    exit, exit / save);
        finds.push_back({count, median(&Times::findLast), median(&Times::findNone), median(&Times::listFind)});
        std::fflush(stdout);
    }
    std::printf("\n%9s %10s %13s %12s %14s %16s\n", "entries", "exit", "change check", "store save", "rows teardown",
                "exit, no rows");
    for (const auto& [count, exit, fingerprint, save, teardown, withoutRows] : phases)
        std::printf("%9d %7.1f ms %10.1f ms %9.1f ms %11.1f ms %13.1f ms\n", count, exit, fingerprint, save, teardown,
                    withoutRows);
    std::printf("\n%9s %12s %12s %14s %7s\n", "entries", "find last", "find none", "LVM_FINDITEM", "ratio");
    for (const auto& [count, last, none, list] : finds)
        std::printf("%9d %10.2f ms %10.2f ms %12.2f ms %7.2f\n", count, last, none, list, last / list);
    return 0;
}
