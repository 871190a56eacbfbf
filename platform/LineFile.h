// A line-oriented 8-bit text file. Lines end at LF or CR LF; a lone CR is
// dropped; byte 26 ends the file; lines have no length limit. Every line
// written ends with CR LF. Reading and writing are buffered.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/InOutError.h"
#include "platform/text/LineSplitter.h"

namespace KitPlatform {

// Which lines a copy keeps. keep is asked only about lines the screen asks
// about; every other line is kept without asking, so a filter that can only
// drop lines of a few lengths costs the rest nothing.
struct LineSelection {
    KitText::LineScreen screen;
    std::function<bool(std::string_view)> keep;

    bool Keeps(std::string_view line) const { return !screen.Asks(line) || keep(line); }
};

class LineFile {
public:
    enum class State { Closed, Reading, Writing };

    explicit LineFile(std::string path);
    // Closes an open file without raising.
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // Each open operation closes the file first when it is open. A path longer
    // than 259 characters is refused with InOutError.
    void OpenTextForReading();
    void CreateTextForWriting();
    void OpenTextForAppending();

    // The next line without its line break; empty at the end of the file.
    std::string ReadTextLine();
    // The same line as a view, valid until the next operation on this file: a
    // line that lies whole in the buffer is handed out without a copy.
    std::string_view ReadTextLineView();
    // Reads the rest of the text and writes to out, which is open for writing,
    // every line for which keep is true: the same as reading line by line and
    // writing the kept ones, but kept lines that follow one another in the
    // buffer, each ended by CR LF, go to out together, in one copy.
    void CopyTextLinesTo(LineFile& out, const std::function<bool(std::string_view)>& keep);
    void CopyTextLinesTo(LineFile& out, const LineSelection& selection);
    // True when no further byte can be read or the next byte is 26.
    bool AtEndOfText();
    void WriteTextLine(std::string_view text);
    // Writes out what is buffered, then closes. 103 when not open.
    void CloseText();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace KitPlatform
