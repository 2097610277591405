@echo off
rem Optional: registers Kordane's two components (Scrivet.dll, Helper.dll) for the
rem whole machine, from this folder. Kordane itself needs no registration: its
rem manifest names both DLLs, and Windows finds them beside Kordane.exe. Needs
rem administrator rights. Safe to run again: registering twice writes the same
rem entries. Folder names are echoed outside parenthesised blocks only, where a
rem ")" in them cannot end the block.
setlocal
echo Kordane install: this is optional. Kordane runs from its folder without it;
echo install.cmd only registers Scrivet.dll and Helper.dll for the whole machine,
echo for other programs that create them.
set "HERE=%~dp0"
set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
rem A 32-bit package on 64-bit Windows needs the 32-bit regsvr32.
if "@ARCH@"=="win32" if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "REGSVR=%SystemRoot%\SysWOW64\regsvr32.exe"

set "FAILED="
call :register Scrivet.dll
if not defined FAILED call :register Helper.dll
if defined FAILED goto end
echo Kordane is installed. Start it with "Start Kordane.cmd" or Kordane.exe in the folder
echo that should hold your account files (see ReadMe.txt).

:end
call :keep_window_open "%~0" "%~f0"
if defined FAILED exit /b 1
exit /b 0

:register
if exist "%HERE%%~1" goto register_present
echo Kordane install: %~1 is missing from %HERE%
set "FAILED=1"
exit /b 0
:register_present
"%REGSVR%" /s "%HERE%%~1"
if not errorlevel 1 exit /b 0
echo Kordane install: registering %~1 failed. Run install.cmd as an administrator.
set "FAILED=1"
exit /b 0

rem Double-clicked, or "Run as administrator": Windows started this script by its
rem full path, in a window of its own that closes the moment the script ends.
rem Typed in a console, it was started by the name the user typed.
:keep_window_open
if /i "%~1"=="%~2" (
  echo.
  pause
)
exit /b 0
