// Message boxes as the person at the screen meets them: found among a
// thread's or the desktop's windows, read and acknowledged with OK. Used by
// the tests in the DLL's own process and by boxcloser.exe from outside it.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"

namespace KitTest {

struct ReadBox {
    std::string caption;
    std::string text;  // byte for byte, as the dialog holds it
};

// A dialog window (class "#32770"), as MessageBoxA makes one.
bool IsDialogBox(HWND window);
std::string WindowCaption(HWND window);
// The caption and the box's static text.
ReadBox ReadDialogBox(HWND box);
// Presses OK; the box closes once its thread has handled the message.
void PressOk(HWND box);

// Reads and presses OK on every box of one thread while it runs, from a
// thread of its own.
class ThreadBoxWatcher {
public:
    explicit ThreadBoxWatcher(DWORD watchedThread);  // throws when it cannot start
    ~ThreadBoxWatcher();
    ThreadBoxWatcher(const ThreadBoxWatcher&) = delete;
    ThreadBoxWatcher& operator=(const ThreadBoxWatcher&) = delete;

    // Stops watching; the boxes seen, in the order they appeared.
    std::vector<ReadBox> Finish();

private:
    static DWORD WINAPI Run(void* self);
    static BOOL CALLBACK Visit(HWND window, LPARAM self);
    void Inspect(HWND window);
    void Stop();

    DWORD watchedThread_;
    std::atomic<bool> stop_{false};
    std::vector<ReadBox> boxes_;
    std::vector<HWND> acknowledged_;  // closing already, maybe not gone yet
    KitPlatform::UniqueKernelObject thread_;
};

}  // namespace KitTest
