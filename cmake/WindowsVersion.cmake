# The Windows API each kind of program is compiled against; every Windows
# target takes one of these two sets. The product (KitSetup.dll, its libraries
# and kitsetup.exe) keeps to Windows XP's API so that nothing newer slips in;
# the tests and their helpers may use Windows 7's. Both get a lean windows.h
# without the min/max macros.
set(kitsetup_lean_windows_h WIN32_LEAN_AND_MEAN NOMINMAX)
set(KITSETUP_PRODUCT_DEFINITIONS _WIN32_WINNT=0x0501 WINVER=0x0501 ${kitsetup_lean_windows_h})
set(KITSETUP_TEST_DEFINITIONS _WIN32_WINNT=0x0601 WINVER=0x0601 ${kitsetup_lean_windows_h})
