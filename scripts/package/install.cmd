@echo off
rem Registers Kordane's two components (Scrivet.dll, Helper.dll) for this folder.
rem Safe to run again: registering twice writes the same entries.
setlocal
set "HERE=%~dp0"
set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
rem A 32-bit package on 64-bit Windows needs the 32-bit regsvr32.
if "@ARCH@"=="win32" if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "REGSVR=%SystemRoot%\SysWOW64\regsvr32.exe"

for %%D in (Scrivet.dll Helper.dll) do (
  if not exist "%HERE%%%D" (
    echo Kordane install: %%D is missing from %HERE%
    exit /b 1
  )
  "%REGSVR%" /s "%HERE%%%D"
  if errorlevel 1 (
    echo Kordane install: registering %%D failed. Run install.cmd as an administrator.
    exit /b 1
  )
)
echo Kordane is installed. Start it with "Start Kordane.cmd" or Kordane.exe in the folder
echo that should hold your account files (see ReadMe.txt).
exit /b 0
