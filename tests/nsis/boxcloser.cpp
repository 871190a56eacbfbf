// Acknowledges KitSetup's information boxes from outside the process that
// shows them, as the person at the screen would, while an installer runs.
//
//   boxcloser.exe STOPFILE [--wizard CAPTION]
//
// Each box "Ostrel Components Help Registration" is printed as one line,
// "box: TEXT" (backslash doubled, CR as \r, LF as \n, other control bytes as
// \xHH), and then closed with IDOK. With --wizard, the enabled default button
// (Next, Install, Finish) of the window whose title begins with CAPTION (the
// pages add their own subtitles to it) is pressed whenever no box is open,
// once per page, so that a wizard runs through unattended; each press prints
// "pressed: BUTTON TEXT". Two kinds of wizard are known: a dialog whose
// default button is control 1 and whose pages are child dialogs (NSIS), and
// a form of class TWizardForm whose pages are notebook pages and whose
// default button has the BS_DEFPUSHBUTTON style (Inno Setup).
//
// It ends when STOPFILE exists, after one last look, or after kGiveUpMs.
// Exit code 0; 1 when a box did not close after IDOK; 2 on a usage error;
// 3 when no stop request came.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/BoxWatcher.h"

namespace {

using KitTest::IsDialogBox;
using KitTest::WindowCaption;

constexpr char kBoxCaption[] = "Ostrel Components Help Registration";
constexpr DWORD kPollMs = 10;
// A page is pressed on only when it and its default button's text have stood
// still this long: a form wizard shows the next page before it renames the
// button (Next becomes Install), and on a loaded machine the rename can take
// longer than a few hundred milliseconds.
constexpr DWORD kSettleMs = 1000;
constexpr DWORD kBoxCloseMs = 5000;
constexpr DWORD kGiveUpMs = 100000;

std::string Escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void PrintLine(const char* label, const std::string& text) {
    std::printf("%s: %s\n", label, Escaped(text).c_str());
    std::fflush(stdout);
}

bool HasClass(HWND window, const char* name) {
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, name) == 0;
}

constexpr char kFormWizardClass[] = "TWizardForm";
constexpr char kFormPageClass[] = "TNewNotebookPage";

struct Found {
    std::vector<HWND> boxes;
    HWND wizard = nullptr;
    const char* wizardCaption = nullptr;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto& found = *reinterpret_cast<Found*>(context);
    const bool formWizard = HasClass(window, kFormWizardClass);
    if (!IsDialogBox(window) && !formWizard) return TRUE;
    const std::string caption = WindowCaption(window);
    if (caption == kBoxCaption && !formWizard) {
        found.boxes.push_back(window);
    } else if (found.wizardCaption && caption.rfind(found.wizardCaption, 0) == 0 &&
               ::IsWindowVisible(window)) {
        found.wizard = window;
    }
    return TRUE;
}

Found FindWindows(const char* wizardCaption) {
    Found found;
    found.wizardCaption = wizardCaption;
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Reads, prints and closes one box; false when it is still there afterwards.
bool AcknowledgeBox(HWND box) {
    const std::string text = KitTest::ReadDialogBox(box).text;
    PrintLine("box", text);
    KitTest::PressOk(box);
    const DWORD start = ::GetTickCount();
    while (::IsWindow(box)) {
        if (::GetTickCount() - start > kBoxCloseMs) {
            PrintLine("box did not close", text);
            return false;
        }
        ::Sleep(kPollMs);
    }
    return true;
}

struct ChildSearch {
    HWND found = nullptr;
    bool (*matches)(HWND) = nullptr;
};

BOOL CALLBACK RememberMatchingChild(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<ChildSearch*>(context);
    if (search.matches(window)) search.found = window;
    return TRUE;
}

// The last descendant (in the depth-first order of EnumChildWindows) that
// matches, or null.
HWND LastDescendant(HWND parent, bool (*matches)(HWND)) {
    ChildSearch search;
    search.matches = matches;
    ::EnumChildWindows(parent, &RememberMatchingChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsVisiblePage(HWND window) {
    return HasClass(window, kFormPageClass) && ::IsWindowVisible(window);
}

// Cancel takes the default style while a form wizard works (it has the
// focus then): it is never pressed.
bool IsVisibleDefaultButton(HWND window) {
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    return (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && ::IsWindowVisible(window) &&
           WindowCaption(window) != "Cancel";
}

// A dialog wizard shows each page as a child dialog of its own, made anew for
// every page; a form wizard shows the current page of a notebook (the inner
// one, which comes last, when pages are nested).
HWND CurrentPage(HWND wizard) {
    if (HWND page = ::FindWindowExA(wizard, nullptr, "#32770", nullptr)) return page;
    return LastDescendant(wizard, &IsVisiblePage);
}

HWND DefaultButton(HWND wizard) {
    if (HWND button = ::GetDlgItem(wizard, 1)) return button;
    return LastDescendant(wizard, &IsVisibleDefaultButton);
}

// Presses the wizard's default button when it can be pressed; true if it did.
bool PressDefaultButton(HWND wizard) {
    HWND button = DefaultButton(wizard);
    if (!button || !::IsWindowVisible(button) || !::IsWindowEnabled(button) ||
        WindowCaption(button).empty()) {
        return false;
    }
    PrintLine("pressed", WindowCaption(button));
    ::PostMessageA(::GetParent(button), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}

bool StopRequested(const char* stopFile) {
    return ::GetFileAttributesA(stopFile) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char** argv) {
    const char* stopFile = nullptr;
    const char* wizardCaption = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wizard") == 0 && i + 1 < argc) {
            wizardCaption = argv[++i];
        } else if (!stopFile && argv[i][0] != '-') {
            stopFile = argv[i];
        } else {
            stopFile = nullptr;
            break;
        }
    }
    if (!stopFile) {
        std::fprintf(stderr, "usage: boxcloser STOPFILE [--wizard CAPTION]\n");
        return 2;
    }

    const DWORD start = ::GetTickCount();
    // One press per page: a second one before the page has changed would
    // skip the next page.
    HWND pressedPage = nullptr;
    HWND seenPage = nullptr;
    std::string seenButton;
    DWORD seenSince = start;
    for (;;) {
        // Read before looking, so that a box shown just before the stop
        // request is still acknowledged.
        const bool stopping = StopRequested(stopFile);
        const Found found = FindWindows(wizardCaption);
        for (HWND box : found.boxes) {
            if (!AcknowledgeBox(box)) return 1;
        }
        // A box means the wizard is still at work behind it: its page must
        // stand still anew once the last box is gone, before a press.
        if (!found.boxes.empty()) {
            seenPage = nullptr;
            seenButton.clear();
        }
        if (found.boxes.empty() && found.wizard) {
            HWND page = CurrentPage(found.wizard);
            HWND button = DefaultButton(found.wizard);
            const std::string buttonText = button ? WindowCaption(button) : std::string();
            if (page != seenPage || buttonText != seenButton) {
                seenPage = page;
                seenButton = buttonText;
                seenSince = ::GetTickCount();
            } else if (page && page != pressedPage && ::GetTickCount() - seenSince >= kSettleMs &&
                       PressDefaultButton(found.wizard)) {
                pressedPage = page;
            }
        }
        if (stopping) return 0;
        if (::GetTickCount() - start > kGiveUpMs) {
            std::fprintf(stderr, "boxcloser: no stop request within %lu ms\n",
                         static_cast<unsigned long>(kGiveUpMs));
            return 3;
        }
        ::Sleep(kPollMs);
    }
}
