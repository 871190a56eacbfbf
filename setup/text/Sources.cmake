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
  InstallRequest.cpp
  InstallRequest.h
  PackageMacro.cpp
  PackageMacro.h
  PackageNames.cpp
  PackageNames.h
  SearchPathText.cpp
  SearchPathText.h
  XmlPackages.cpp
  XmlPackages.h
)
list(TRANSFORM KITSETUP_SETUP_TEXT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
