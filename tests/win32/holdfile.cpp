// holdfile.exe PATH MS: holds PATH open as an editor or a backup does, others
// may read it but not write it, for MS milliseconds; prints "held" first.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const HANDLE file = argc != 3 ? INVALID_HANDLE_VALUE
                                  : CreateFileW(argv[1], GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::puts("held");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    return CloseHandle(file) ? 0 : 1;
}
