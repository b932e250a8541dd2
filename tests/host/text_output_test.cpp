// The host's text reaches a pipe whole, whatever characters it holds.
#include <gtest/gtest.h>

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <string>

#include "session.h"

namespace qz::host {
namespace {

const std::wstring kText = L"C:\\\u4E2D\u6587\\include;D:\\x \u00E9";

TEST(TextOutputTest, AStepReachesAPipeAsUtf8) {
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 1 << 16));
    FILE* out = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(write), _O_WRONLY), "w");
    ASSERT_NE(out, nullptr);
    Report(out).Step(true, kText);
    std::fclose(out);
    std::string bytes(4096, '\0');
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(read, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr));
    CloseHandle(read);
    EXPECT_EQ(bytes.substr(0, bytes.find('\n')), "[ok]   C:\\\xE4\xB8\xAD\xE6\x96\x87\\include;D:\\x \xC3\xA9");
}

}  // namespace
}  // namespace qz::host
