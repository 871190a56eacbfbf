#include "tests/support/BoxWatcher.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace KitTest {

namespace {

constexpr int kBoxStaticTextId = 0xFFFF;
constexpr DWORD kPollMs = 2;

}  // namespace

bool IsDialogBox(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0;
}

std::string WindowCaption(HWND window) {
    char caption[4096] = {};
    GetWindowTextA(window, caption, sizeof caption);
    return caption;
}

ReadBox ReadDialogBox(HWND box) {
    ReadBox read;
    read.caption = WindowCaption(box);
    char text[4096] = {};
    GetDlgItemTextA(box, kBoxStaticTextId, text, sizeof text);
    read.text = text;
    return read;
}

void PressOk(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }

ThreadBoxWatcher::ThreadBoxWatcher(DWORD watchedThread) : watchedThread_(watchedThread) {
    thread_.reset(CreateThread(nullptr, 0, &ThreadBoxWatcher::Run, this, 0, nullptr));
    if (!thread_) throw std::runtime_error("cannot start the box watcher");
}

ThreadBoxWatcher::~ThreadBoxWatcher() { Stop(); }

std::vector<ReadBox> ThreadBoxWatcher::Finish() {
    Stop();
    return boxes_;
}

void ThreadBoxWatcher::Stop() {
    if (!thread_) return;
    stop_ = true;
    WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

DWORD WINAPI ThreadBoxWatcher::Run(void* self) {
    auto* watcher = static_cast<ThreadBoxWatcher*>(self);
    while (!watcher->stop_) {
        EnumThreadWindows(watcher->watchedThread_, &ThreadBoxWatcher::Visit,
                          reinterpret_cast<LPARAM>(watcher));
        Sleep(kPollMs);
    }
    return 0;
}

BOOL CALLBACK ThreadBoxWatcher::Visit(HWND window, LPARAM self) {
    reinterpret_cast<ThreadBoxWatcher*>(self)->Inspect(window);
    return TRUE;
}

void ThreadBoxWatcher::Inspect(HWND window) {
    if (!IsDialogBox(window)) return;
    if (std::find(acknowledged_.begin(), acknowledged_.end(), window) != acknowledged_.end()) {
        return;
    }
    boxes_.push_back(ReadDialogBox(window));
    acknowledged_.push_back(window);
    PressOk(window);
}

}  // namespace KitTest
