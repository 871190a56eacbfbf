// The run-time package list of a C++Builder project file kept as XML: the
// value of the first PACKAGES element, e.g.
//     <PACKAGES value="vcl.bpi rtl.bpi dbrtl.bpi
//       vcldbx.bpi ibxpress.bpi"/>
// Such a file has no "PACKAGES = " macro; a macro appended to it would break
// it, so it is edited in place instead, keeping every byte outside the value.
// Works on the file's bytes; needs no OS header.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "setup/text/PackageMacro.h"

namespace ComponentSetup {

// Continuation lines of a wrapped value begin with this many blanks.
inline constexpr std::size_t kXmlPackagesIndent = 6;

// True when the first non-blank line begins with "<?xml" (a UTF-8 byte order
// mark before it is allowed).
bool IsXmlProject(std::string_view bytes) noexcept;

// Character references &amp; &lt; &gt; &quot; &apos; &#NN; &#xNN; are
// replaced by their characters; a numeric one only when it stands for an
// ASCII character (0 to 127, so that every encoded byte comes back). Anything
// else is kept as written.
std::string DecodeXmlText(std::string_view raw);
// The text made safe inside a quoted attribute value and against splitting:
// & < > " ' and every byte of code 32 or below become references.
std::string EncodeXmlText(std::string_view text);

// Where the value of the first PACKAGES element lies: the bytes between its
// quotes. Nothing when the file has no PACKAGES element, when that element
// has no value attribute, or when the markup up to it is unfinished.
struct XmlValueSpan {
    std::size_t begin = 0;  // first byte after the opening quote
    std::size_t end = 0;    // the closing quote
};
std::optional<XmlValueSpan> FindXmlPackagesValue(std::string_view bytes);

// The file with the first PACKAGES element's value rebuilt from the edited
// names, or nothing (the file is to be left alone) when FindXmlPackagesValue
// finds no value. Names are separated by blanks and line breaks on reading
// and by one blank on writing; a line is wrapped once it has grown longer
// than kPackagesLineLimit, with the file's own line break and an indent of
// kXmlPackagesIndent blanks. Names the edit kept are written as they stood.
std::optional<std::string> RewriteXmlPackages(std::string_view bytes,
                                              const PackageListEditor& edit);

}  // namespace ComponentSetup
