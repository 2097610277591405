// A child program for the Helper tests: calls one console or thread operation
// of a Helper object created through COM, with standard streams redirected by
// the test. Exit codes: 10 + a Boolean result, 0 done, 2 usage, 3 no object.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "IHelper.h"
#include "unique_any.h"

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    int code = 0;
    {
        kd::com_ptr<IHelper> helper;
        if (FAILED(::CoCreateInstance(CLSID_Helper, nullptr, CLSCTX_INPROC_SERVER, IID_IHelper, helper.put_void()))) {
            ::CoUninitialize();
            return 3;
        }
        const char* op = argv[1];
        if (!std::strcmp(op, "writeline") && argc >= 3) {
            for (int i = 2; i < argc; ++i) helper->WriteLine(argv[i]);
        } else if (!std::strcmp(op, "writeline-null")) {
            helper->WriteLine(nullptr);
            helper->WriteLine("after");
        } else if (!std::strcmp(op, "waitkey")) {
            helper->WaitForKey();
            helper->WriteLine("returned");
        } else if (!std::strcmp(op, "lasterror") && argc >= 3) {
            const DWORD error = std::strtoul(argv[2], nullptr, 0);
            ::SetLastError(error);
            code = 10 + (helper->WriteLastError() ? 1 : 0);
        } else if (!std::strcmp(op, "sleep")) {
            // Two more threads, so that suspension must reach every thread.
            for (int i = 0; i < 2; ++i)
                std::thread([] {
                    for (;;) ::Sleep(50);
                }).detach();
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            for (;;) ::Sleep(50);
        } else {
            code = 2;
        }
    }
    ::CoUninitialize();
    return code;
}
