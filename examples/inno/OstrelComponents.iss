; Ostrel Components 3.0.3 for Inno Setup 6: copies the suite, writes the
; suite's key, installs KitSetup.dll beside the suite and integrates the suite
; into the Delphi 5-7 and C++Builder 5-6 chosen on the "IDE integration" page;
; its uninstaller takes the suite out of the same IDEs again before it
; deletes the files and keys.
;
; Build (ISCC.exe of Inno Setup 6; relative paths are taken from this
; script's directory):
;   ISCC.exe /DKitSetupDll=C:\path\KitSetup.dll /DOutputDir=C:\out OstrelComponents.iss
; Defines: KitSetupDll (default: build\product\bin\KitSetup.dll of this
;          repository), OutputDir (default: build of this repository).
;
; Run:
;   OstrelComponents-3.0.3-InnoSetup.exe                        the wizard
;   ... /VERYSILENT /SUPPRESSMSGBOXES                           silent, full edition
;   ... /VERYSILENT /SUPPRESSMSGBOXES /TRIAL                    silent, trial edition
;   ... /DIR="C:\Some Dir"                                      another directory
;   "<install dir>\unins000.exe" /VERYSILENT /SUPPRESSMSGBOXES  silent uninstall
; A silent install integrates every IDE that is installed. KitSetup.dll shows
; its information box after each successful help merge, in silent installs
; too: someone has to acknowledge it (/SUPPRESSMSGBOXES does not reach it).

#ifndef KitSetupDll
  #define KitSetupDll "..\..\build\product\bin\KitSetup.dll"
#endif
#ifndef OutputDir
  #define OutputDir "..\..\build"
#endif
#define SuiteName "Ostrel Components"
#define SuiteVersion "3.0.3"
#define SuiteKey "SOFTWARE\Ostrel\Ostrel Components\3.0"

[Setup]
AppId=Ostrel Components 3.0
AppName={#SuiteName}
AppVersion={#SuiteVersion}
AppPublisher=Ostrel
UninstallDisplayName={#SuiteName} {#SuiteVersion}
; 32-bit mode: Program Files and HKLM as KitSetup.dll (32-bit) sees them.
DefaultDirName={autopf}\Ostrel\Components 3.0
DisableProgramGroupPage=yes
PrivilegesRequired=admin
CloseApplications=no
OutputDir={#OutputDir}
OutputBaseFilename=OstrelComponents-{#SuiteVersion}-InnoSetup
Compression=lzma2
SolidCompression=yes
WizardStyle=modern

[Files]
Source: "..\payload\ReadMe.txt"; DestDir: "{app}"
Source: "..\payload\Help\OC3Help.hlp"; DestDir: "{app}\Help"
Source: "..\payload\Help\OC3Help.cnt"; DestDir: "{app}\Help"
Source: "..\payload\Help\OC3Help.toc"; DestDir: "{app}\Help"
Source: "..\payload\Bin\Os30Ctls_Dsgn*.bpl"; DestDir: "{app}\Bin"; Check: not TrialChosen
Source: "..\payload\Bin\Os30DBCtls_Dsgn*.bpl"; DestDir: "{app}\Bin"; Check: not TrialChosen
Source: "..\payload\Bin\Os30Trial*.bpl"; DestDir: "{app}\Bin"; Check: TrialChosen
; Setup calls it from its temporary copy (files:KitSetup.dll); the
; uninstaller calls it here, beside the suite.
Source: "{#KitSetupDll}"; DestDir: "{app}"; Flags: ignoreversion

[Dirs]
; The library directories that KitSetup puts on the IDEs' search paths.
Name: "{app}\Lib5"
Name: "{app}\Lib6"
Name: "{app}\Lib7"
Name: "{app}\LibBCB5"
Name: "{app}\LibBCB6"

[Registry]
; KitSetup appends "Bin\" and "Lib" to "InstallDir" directly: it must end
; with a backslash ({app} never does).
Root: HKLM32; Subkey: "SOFTWARE\Ostrel"; Flags: uninsdeletekeyifempty
Root: HKLM32; Subkey: "SOFTWARE\Ostrel\Ostrel Components"; Flags: uninsdeletekeyifempty
Root: HKLM32; Subkey: "{#SuiteKey}"; ValueType: string; ValueName: "InstallDir"; ValueData: "{app}\"; Flags: uninsdeletekey

[UninstallDelete]
; The IDEs remembered for the uninstaller (written by the [Code] below), and
; the index the help system makes when the suite's help is first opened.
Type: files; Name: "{app}\KitSetup.ini"
Type: files; Name: "{app}\Help\OC3Help.gid"

[Code]
type
  { The block KitSetup.dll takes: 40 bytes it neither reads nor writes, then
    the address of the NUL-terminated ANSI request ("D7", "C6T", ...). }
  TSetupParamBlock = record
    Reserved: array[0..39] of Byte;
    RequestText: PAnsiChar;
  end;

// 'files:' makes Setup extract KitSetup.dll to its temporary directory when
// the first call comes; the app constant cannot appear in a setuponly
// declaration (it is expanded before it is known). The uninstaller loads the
// installed copy.
function IDEInstall(var Block: TSetupParamBlock): Integer;
  external 'IDEInstall@files:KitSetup.dll stdcall delayload setuponly';
function IDEUninstall(var Block: TSetupParamBlock): Integer;
  external 'IDEUninstall@{app}\KitSetup.dll stdcall delayload uninstallonly';

const
  IdeCount = 5;
  IntegratedSection = 'Integrated';

var
  IdeList: TNewCheckListBox;
  FullItem, TrialItem: Integer;
  IdeItems: array of Integer;

function IdeRequest(Index: Integer): String;
begin
  case Index of
    0: Result := 'D5';
    1: Result := 'D6';
    2: Result := 'D7';
    3: Result := 'C5';
  else
    Result := 'C6';
  end;
end;

function IdeTitle(Index: Integer): String;
begin
  case Index of
    0: Result := 'Delphi 5';
    1: Result := 'Delphi 6';
    2: Result := 'Delphi 7';
    3: Result := 'C++Builder 5';
  else
    Result := 'C++Builder 6';
  end;
end;

{ An IDE counts as installed when its machine-wide key names a root
  directory, as KitSetup.dll sees it. }
function IdeInstalled(Index: Integer): Boolean;
var
  Key, RootDir: String;
begin
  if Index < 3 then
    Key := 'SOFTWARE\Borland\Delphi\' + IntToStr(Index + 5) + '.0'
  else
    Key := 'SOFTWARE\Borland\C++Builder\' + IntToStr(Index + 2) + '.0';
  Result := RegQueryStringValue(HKLM32, Key, 'RootDir', RootDir) and (RootDir <> '');
end;

function TrialRequested: Boolean;
var
  I: Integer;
begin
  Result := False;
  for I := 1 to ParamCount do
    if CompareText(ParamStr(I), '/TRIAL') = 0 then
      Result := True;
end;

function TrialChosen: Boolean;
begin
  Result := IdeList.Checked[TrialItem];
end;

function IntegrationFile: String;
begin
  Result := ExpandConstant('{app}\KitSetup.ini');
end;

{ The page that offers the edition and the installed IDEs. In a silent
  install it is not shown and keeps its defaults: the edition that /TRIAL
  asks for, every installed IDE. }
procedure InitializeWizard;
var
  Page: TWizardPage;
  I: Integer;
  Installed: Boolean;
  Title: String;
begin
  Page := CreateCustomPage(wpSelectDir, 'IDE integration',
    'Choose the edition, and the IDEs to integrate {#SuiteName} into.');
  IdeList := TNewCheckListBox.Create(Page);
  IdeList.Parent := Page.Surface;
  IdeList.Width := Page.SurfaceWidth;
  IdeList.Height := Page.SurfaceHeight;
  IdeList.AddGroup('Edition', '', 0, nil);
  FullItem := IdeList.AddRadioButton('Full edition', '', 1, not TrialRequested, True, nil);
  TrialItem := IdeList.AddRadioButton('Trial edition', '', 1, TrialRequested, True, nil);
  IdeList.AddGroup('Integrate into', '', 0, nil);
  SetArrayLength(IdeItems, IdeCount);
  for I := 0 to IdeCount - 1 do begin
    Installed := IdeInstalled(I);
    Title := IdeTitle(I);
    if not Installed then
      Title := Title + ' (not installed)';
    IdeItems[I] := IdeList.AddCheckBox(Title, '', 1, Installed, Installed, False, True, nil);
  end;
end;

{ The request text must outlive the call: Request is an AnsiString that
  lives until this procedure returns. (A literal assigned to the PAnsiChar
  field would hand the DLL a pointer to a temporary that is gone.) }
procedure IntegrateIde(const Request: AnsiString);
var
  Block: TSetupParamBlock;
begin
  Block.RequestText := Request;
  { IDEInstall returns 0 whatever happened; it shows its own box. }
  IDEInstall(Block);
end;

procedure UnintegrateIde(const Request: AnsiString);
var
  Block: TSetupParamBlock;
begin
  Block.RequestText := Request;
  { IDEUninstall returns 0 and shows no box. An uninstaller that cannot call
    it (a damaged KitSetup.dll) still removes the suite, and says so in its
    log (/LOG). }
  try
    IDEUninstall(Block);
  except
    Log('KitSetup.dll could not be called for ' + Request + ': ' + GetExceptionMessage);
  end;
end;

{ After the files and the registry: KitSetup reads "InstallDir" and finds the
  suite's help files on disk. Each IDE is remembered before its call, so that
  the uninstaller takes the suite out of every IDE any install put it in. }
procedure CurStepChanged(CurStep: TSetupStep);
var
  I: Integer;
  Request: String;
begin
  if CurStep <> ssPostInstall then
    Exit;
  for I := 0 to IdeCount - 1 do
    if IdeList.Checked[IdeItems[I]] then begin
      Request := IdeRequest(I);
      SetIniBool(IntegratedSection, Request, True, IntegrationFile);
      if TrialChosen then
        Request := Request + 'T';
      IntegrateIde(Request);
    end;
end;

{ The order an uninstaller must keep: IDEUninstall for every IDE integrated,
  while the suite's key ("InstallDir") is still there; then unload the DLL;
  only then does the uninstaller delete the files and keys (after this step). }
procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
var
  I: Integer;
begin
  if CurUninstallStep <> usUninstall then
    Exit;
  for I := 0 to IdeCount - 1 do
    if GetIniBool(IntegratedSection, IdeRequest(I), False, IntegrationFile) then
      UnintegrateIde(IdeRequest(I));
  UnloadDLL(ExpandConstant('{app}\KitSetup.dll'));
end;
