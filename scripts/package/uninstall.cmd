@echo off
rem Removes the registration of Kordane's two components. Safe to run again.
rem Account files, logs and the skin in your working folders are left alone.
setlocal
set "HERE=%~dp0"
set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
if "@ARCH@"=="win32" if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "REGSVR=%SystemRoot%\SysWOW64\regsvr32.exe"

set "FAILED="
for %%D in (Scrivet.dll Helper.dll) do (
  if exist "%HERE%%%D" (
    "%REGSVR%" /u /s "%HERE%%%D"
    if errorlevel 1 (
      echo Kordane uninstall: unregistering %%D failed. Run uninstall.cmd as an administrator.
      set "FAILED=1"
    )
  )
)
if defined FAILED exit /b 1
echo Kordane's components are unregistered. You may now delete this folder.
exit /b 0
