; Ostrel Components 3.0.3: a small installer that copies the suite, writes
; the suite's key and then integrates the suite into every Delphi 5-7 and
; C++Builder 5-6 found on the machine through KitSetup.dll; and its
; uninstaller, which takes the suite out of the same IDEs again before it
; deletes the files and keys.
;
; Build (makensis 3.x; from any directory, makensis changes into this one):
;   makensis -DKITSETUP_DLL=/path/to/KitSetup.dll OstrelComponents.nsi
; Defines: KITSETUP_DLL (default: build/product/bin/KitSetup.dll of this
;          repository, made by `cmake --preset product && cmake --build
;          --preset product`), OUTFILE (default:
;          build/OstrelComponents-3.0.3-Setup.exe of this repository).
;
; Run:
;   OstrelComponents-3.0.3-Setup.exe                  the wizard
;   OstrelComponents-3.0.3-Setup.exe /S               silent, full edition
;   OstrelComponents-3.0.3-Setup.exe /S /TRIAL        silent, trial edition
;   ... /S /D=C:\Some Dir                             another directory (last, unquoted)
;   "<install dir>\Uninstall.exe" /S                  silent uninstall
; /TRIAL also preselects the trial edition on the wizard's components page.
; KitSetup.dll shows its information box after each successful help merge,
; in silent mode too: someone has to acknowledge it.

; The request text in the parameter block is 8-bit ANSI. An ANSI installer
; keeps every string that way; the request is also written with the ANSI
; string type below, so a Unicode build would pass the same bytes.
Unicode false
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh

!define SUITE_NAME "Ostrel Components"
!define SUITE_VERSION "3.0.3"
!define SUITE_KEY "SOFTWARE\Ostrel\Ostrel Components\3.0"
!define BOX_NOTE "KitSetup shows a message when it has merged the help files."
; The entry in the list of installed programs; it also remembers which IDEs
; the suite was integrated into ("Integrated D7" = 1, ...), for the uninstaller.
!define UNINST_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Ostrel Components 3.0"
!define UNINSTALLER "Uninstall.exe"

!ifndef KITSETUP_DLL
  !define KITSETUP_DLL "..\..\build\product\bin\KitSetup.dll"
!endif
!ifndef OUTFILE
  !define OUTFILE "..\..\build\OstrelComponents-${SUITE_VERSION}-Setup.exe"
!endif

Name "${SUITE_NAME} ${SUITE_VERSION}"
OutFile "${OUTFILE}"
; The 32-bit view of the registry and of Program Files, as KitSetup.dll (a
; 32-bit DLL in this 32-bit process) sees them.
InstallDir "$PROGRAMFILES\Ostrel\Components 3.0"
InstallDirRegKey HKLM "${SUITE_KEY}" "InstallDir"
RequestExecutionLevel admin
ShowInstDetails show

!define MUI_COMPONENTSPAGE_NODESC
; The details list stays up until the user moves on: it says what was done
; for each IDE.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The edition sections act as a pair of radio buttons; this holds the index
; of the selected one for .onSelChange.
Var EditionSection

; --- The suite's files -------------------------------------------------------

Section "!${SUITE_NAME} ${SUITE_VERSION}" SecSuite
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "..\payload\ReadMe.txt"
  SetOutPath "$INSTDIR\Help"
  File "..\payload\Help\OC3Help.hlp"
  File "..\payload\Help\OC3Help.cnt"
  File "..\payload\Help\OC3Help.toc"
  ; The library directories that KitSetup puts on the IDEs' search paths.
  CreateDirectory "$INSTDIR\Lib5"
  CreateDirectory "$INSTDIR\Lib6"
  CreateDirectory "$INSTDIR\Lib7"
  CreateDirectory "$INSTDIR\LibBCB5"
  CreateDirectory "$INSTDIR\LibBCB6"
  ; KitSetup appends "Bin\" and "Lib" to this value directly: it must end
  ; with a backslash ($INSTDIR never does).
  WriteRegStr HKLM "${SUITE_KEY}" "InstallDir" "$INSTDIR\"

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${SUITE_NAME} ${SUITE_VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${SUITE_VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Ostrel"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

SectionGroup /e "Edition"
  Section "Full edition" SecFull
    SetOutPath "$INSTDIR\Bin"
    File "..\payload\Bin\Os30Ctls_Dsgn*.bpl"
    File "..\payload\Bin\Os30DBCtls_Dsgn*.bpl"
  SectionEnd
  Section /o "Trial edition" SecTrial
    SetOutPath "$INSTDIR\Bin"
    File "..\payload\Bin\Os30Trial*.bpl"
  SectionEnd
SectionGroupEnd

; --- Integration into the IDEs ------------------------------------------------

Section "-KitSetup"
  InitPluginsDir
  File "/oname=$PLUGINSDIR\KitSetup.dll" "${KITSETUP_DLL}"
SectionEnd

!macro IdeSection TITLE REQUEST ID
  Section "${TITLE}" ${ID}
    Push "${REQUEST}"
    Call IntegrateIde
  SectionEnd
!macroend

SectionGroup /e "Integrate into" SecIdes
  !insertmacro IdeSection "Delphi 5" "D5" SecD5
  !insertmacro IdeSection "Delphi 6" "D6" SecD6
  !insertmacro IdeSection "Delphi 7" "D7" SecD7
  !insertmacro IdeSection "C++Builder 5" "C5" SecC5
  !insertmacro IdeSection "C++Builder 6" "C6" SecC6
SectionGroupEnd

; Calls IDEInstall for one IDE and remembers it for the uninstaller. In: the
; request ("D7", "C6", ...) on the stack; "T" is appended for the trial
; edition.
;
; The parameter block: 40 bytes that KitSetup neither reads nor writes, then
; the address of the NUL-terminated ANSI request. Both are allocated here and
; freed after the call; KitSetup keeps no pointer into them. The "u" option
; unloads KitSetup.dll after the call, so that the plugins directory (and the
; DLL in it) can be removed when the installer ends. The calls never overlap:
; sections run one after the other on one thread.
Function IntegrateIde
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  ; Remembered whatever the call does: the uninstaller's call does nothing
  ; where there is nothing to take out.
  WriteRegDWORD HKLM "${UNINST_KEY}" "Integrated $R0" 1
  ${If} ${SectionIsSelected} ${SecTrial}
    StrCpy $R0 "$R0T"
  ${EndIf}
  DetailPrint "Integrating ${SUITE_NAME} ($R0). ${BOX_NOTE}"
  System::Call "*(&m8 R0) p .R1"
  System::Call "*(&i40 0, p R1) p .R2"
  System::Call "$PLUGINSDIR\KitSetup.dll::IDEInstall(p R2) i .R3 ? u"
  System::Free $R2
  System::Free $R1
  ; IDEInstall returns 0 whatever happened; anything else means it was not
  ; called at all (for example, the DLL did not load).
  ${If} $R3 != 0
    DetailPrint "KitSetup.dll could not be called for $R0 ($R3)."
    SetErrorLevel 3
  ${EndIf}
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; An IDE counts as installed when its machine-wide key names a root
; directory; the others are shown but cannot be selected.
!macro DetectIde SECTION KEY
  ClearErrors
  ReadRegStr $0 HKLM "${KEY}" "RootDir"
  ${If} $0 == ""
    !insertmacro UnselectSection ${SECTION}
    !insertmacro SetSectionFlag ${SECTION} ${SF_RO}
    SectionGetText ${SECTION} $1
    SectionSetText ${SECTION} "$1 (not installed)"
  ${EndIf}
!macroend

Function .onInit
  !insertmacro DetectIde ${SecD5} "SOFTWARE\Borland\Delphi\5.0"
  !insertmacro DetectIde ${SecD6} "SOFTWARE\Borland\Delphi\6.0"
  !insertmacro DetectIde ${SecD7} "SOFTWARE\Borland\Delphi\7.0"
  !insertmacro DetectIde ${SecC5} "SOFTWARE\Borland\C++Builder\5.0"
  !insertmacro DetectIde ${SecC6} "SOFTWARE\Borland\C++Builder\6.0"

  ; /TRIAL selects the trial edition (the choice of the components page
  ; when the wizard runs, the only way when it does not).
  StrCpy $EditionSection ${SecFull}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/TRIAL" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == ""
    !insertmacro UnselectSection ${SecFull}
    !insertmacro SelectSection ${SecTrial}
    StrCpy $EditionSection ${SecTrial}
  ${EndIf}
FunctionEnd

Function .onSelChange
  !insertmacro StartRadioButtons $EditionSection
    !insertmacro RadioButton ${SecFull}
    !insertmacro RadioButton ${SecTrial}
  !insertmacro EndRadioButtons
FunctionEnd

; --- Uninstall ------------------------------------------------------------------

; Calls IDEUninstall for one IDE when the installer integrated the suite into
; it. In: the request ("D7", ...) on the stack. The block is the same as
; IDEInstall's; the edition does not matter (both editions' entries go).
Function un.UnintegrateIde
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  ClearErrors
  ReadRegDWORD $R3 HKLM "${UNINST_KEY}" "Integrated $R0"
  ${If} $R3 == 1
    DetailPrint "Taking ${SUITE_NAME} out of $R0."
    System::Call "*(&m8 R0) p .R1"
    System::Call "*(&i40 0, p R1) p .R2"
    System::Call "$PLUGINSDIR\KitSetup.dll::IDEUninstall(p R2) i .R3 ? u"
    System::Free $R2
    System::Free $R1
    ${If} $R3 != 0
      DetailPrint "KitSetup.dll could not be called for $R0 ($R3)."
      SetErrorLevel 3
    ${EndIf}
  ${EndIf}
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

!macro UnintegrateIde REQUEST
  Push "${REQUEST}"
  Call un.UnintegrateIde
!macroend

; The order matters: IDEUninstall reads the suite's "InstallDir" to find the
; library directory it takes off the search paths, so the IDEs come first,
; then the files (KitSetup.dll is unloaded after each call: "? u"), then the
; suite's key and the entry in the list of installed programs.
Section "Uninstall"
  InitPluginsDir
  File "/oname=$PLUGINSDIR\KitSetup.dll" "${KITSETUP_DLL}"
  !insertmacro UnintegrateIde "D5"
  !insertmacro UnintegrateIde "D6"
  !insertmacro UnintegrateIde "D7"
  !insertmacro UnintegrateIde "C5"
  !insertmacro UnintegrateIde "C6"

  ; Only what the installer put there: the directory may hold the user's
  ; own files.
  Delete "$INSTDIR\ReadMe.txt"
  Delete "$INSTDIR\Help\OC3Help.hlp"
  Delete "$INSTDIR\Help\OC3Help.cnt"
  Delete "$INSTDIR\Help\OC3Help.toc"
  ; The index the help system makes when the suite's help is first opened.
  Delete "$INSTDIR\Help\OC3Help.gid"
  Delete "$INSTDIR\Bin\Os30Ctls_Dsgn*.bpl"
  Delete "$INSTDIR\Bin\Os30DBCtls_Dsgn*.bpl"
  Delete "$INSTDIR\Bin\Os30TrialCtls_Dsgn*.bpl"
  Delete "$INSTDIR\Bin\Os30TrialDBCtls_Dsgn*.bpl"
  RMDir "$INSTDIR\Help"
  RMDir "$INSTDIR\Bin"
  RMDir "$INSTDIR\Lib5"
  RMDir "$INSTDIR\Lib6"
  RMDir "$INSTDIR\Lib7"
  RMDir "$INSTDIR\LibBCB5"
  RMDir "$INSTDIR\LibBCB6"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${SUITE_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Ostrel\Ostrel Components"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Ostrel"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
