// The entry point of every test program: COM for the thread, and a crash turned
// into a loud failure instead of Wine's debugger or a silent exit code 0.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "testing/recording_window_system.h"

namespace {

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "Unhandled exception 0x%08lx at %p\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::testing::InitGoogleTest(&argc, argv);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // No test may block on a message box waiting for a person: unless a test
    // installs its own, every box is recorded and answered at once.
    qz::test::RecordingWindowSystem quietWindows;
    qz::platform::ScopedWindowSystem noRealMessageBoxes(quietWindows);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
