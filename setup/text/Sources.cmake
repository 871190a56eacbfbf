# setup/text/: ComponentSetup's OS-free rules (no windows.h); they also build
# natively.
# Every file of the folder, one a line, sorted (byte order, as LC_ALL=C sort).
set(KITSETUP_SETUP_TEXT_SOURCES
  DefaultPackagesText.cpp
  DefaultPackagesText.h
  EntryList.cpp
  EntryList.h
  HelpPlans.cpp
  HelpPlans.h
  IdeTarget.cpp
  IdeTarget.h
  InstallRequest.cpp
  InstallRequest.h
  PackageMacro.cpp
  PackageMacro.h
  PackageNames.cpp
  PackageNames.h
  RegistrationPlan.cpp
  RegistrationPlan.h
  RegistrationTables.cpp
  RegistrationTables.h
  SearchPathText.cpp
  SearchPathText.h
  TableView.h
  UninstallText.cpp
  UninstallText.h
  XmlPackages.cpp
  XmlPackages.h
)
list(TRANSFORM KITSETUP_SETUP_TEXT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
