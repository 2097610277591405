// The other side of the kill test (account_file_win32_test.cpp): saves one
// administrator's file over and over, each time with one entry more, until it
// is killed. Signals the event it is handed once its first save is done.
// Usage: store_saver <administrator> <inherited event handle, decimal>
#include "CAccountFile.h"

#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    const auto started = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
    for (bool signalled = false;;) {
        CAccountFile store;
        if (!store.Open(argv[1])) return 3;
        store.EnableSave();
        AccountRecord record{};
        kd::SetText(record.account, "entry" + std::to_string(store.GetRecords().size()));
        kd::SetText(record.password, "pw");
        if (!store.AddRecord(record)) return 4;
        // A save refused because the tester has the file open is simply tried again.
        if (store.Save() && !signalled) signalled = ::SetEvent(started) != FALSE;
        store.DisableSave();
    }
}
