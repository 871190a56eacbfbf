// What IDEInstall followed by IDEUninstall may leave different from how the
// IDE was before, on an IDE without earlier suite versions. This list is the
// whole of it; the README repeats it. The round-trip test allows exactly
// these differences and fails on any other.
#pragma once

namespace KitTest {

enum class Residue {
    // "Search Path" and the "Packages" option of DefProj.dof end with the ";"
    // that IDEInstall puts at the end of a list before it appends.
    FinalSemicolon,
    // Rewritten text files (help files, a makefile Default.bpr) have CR LF
    // line ends, also on a last line that had no line break.
    CrLfLineEnds,
    // Delphi 6 and 7's contents file (.cnt) loses its empty lines and gets
    // two at its end (IDEInstall's help merge); IDEUninstall leaves it alone.
    ContentsFileEmptyLines,
    // Each install after the first leaves one more empty line at the end of
    // a help file it merged (ahead of the lines it appends again).
    EmptyLinePerExtraInstall,
    // The ".gid" files IDEInstall deletes stay deleted.
    DeletedGidFiles,
    // IDEInstall's backups (.~cn, *OHC.bak, *OHI.bak, *OHL.bak, Default.~bp)
    // stay.
    Backups,
    // A makefile Default.bpr's PACKAGES macro is written again by the
    // 70-column rule: the same names in the same order, each followed by one
    // blank, the lines broken anew.
    MacroLineBreaks,
    // The blanks and line breaks between the names of an XML Default.bpr's
    // PACKAGES value are rewritten the same way.
    XmlValueSpacing,
    // What IDEInstall creates where the IDE had nothing stays, empty: the
    // IDE's per-user key, its "Known Packages" and "Library" keys, an empty
    // "Search Path", an empty "Packages" (with a [Directories] section), an
    // empty "PACKAGES = " macro line at the end of a makefile without one.
    CreatedWhereNothingWas,
    // DefProj.dof as the profile functions write it back: its sections, keys
    // and values are compared, not the layout of its lines.
    ProfileLayout,
};

}  // namespace KitTest
