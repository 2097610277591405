@echo off
rem Removes the machine-wide registration that install.cmd made for this folder's
rem Scrivet.dll and Helper.dll. A component registered from another folder (another
rem copy of Kordane) stays registered. Deletes no file: account files, logs and
rem the skin stay where they are. Safe to run again. Folder names are echoed
rem outside parenthesised blocks only, where a ")" in them cannot end the block.
setlocal
set "HERE=%~dp0"
set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
rem On 64-bit Windows the registry view of the package's architecture, whichever
rem cmd.exe (32- or 64-bit) runs this script; a 32-bit package needs the 32-bit regsvr32.
set "VIEW="
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set "VIEW=/reg:64"
if "@ARCH@"=="win32" if defined VIEW set "VIEW=/reg:32"
if "%VIEW%"=="/reg:32" set "REGSVR=%SystemRoot%\SysWOW64\regsvr32.exe"

rem First of all, where the account files are.
set "ACCOUNTS="
if exist "%HERE%*.qrd" set "ACCOUNTS=1"
if defined ACCOUNTS goto list_accounts
echo Kordane uninstall: no account files (*.qrd) in %HERE%
goto unregister_all
:list_accounts
echo Kordane uninstall: your account files are in %HERE% and stay there:
pushd "%HERE%"
for %%F in (*.qrd) do echo   %%~nxF
popd

:unregister_all
set "FAILED="
set "DONE=0"
call :unregister Scrivet.dll {AC552A93-1207-45F6-A5F6-3DA576F6805A}
call :unregister Helper.dll {D51C143B-F977-49BF-90BF-8548A62DDA20}
if defined FAILED goto end
rem "unregistered" is said only of what this run removed.
set "SAID="
if "%DONE%"=="2" set "SAID=Kordane's components are unregistered. "
if "%DONE%"=="0" echo Kordane uninstall: nothing was unregistered, because no component is registered from this folder.
if defined ACCOUNTS echo %SAID%Move your account files out of this folder before you delete it.
if not defined ACCOUNTS echo %SAID%You may now delete this folder.

:end
call :keep_window_open "%~0" "%~f0"
if defined FAILED exit /b 1
exit /b 0

rem :unregister <dll> <class identifier>: only where the class is registered from this folder.
:unregister
call :server_of %~2
if not defined SERVER goto unregister_none
if /i "%SERVER%"=="%HERE%%~1" goto unregister_here
echo Kordane uninstall: %~1 stays registered from another folder: %SERVER%
exit /b 0
:unregister_none
echo Kordane uninstall: %~1 is not registered.
exit /b 0
:unregister_here
"%REGSVR%" /u /s "%HERE%%~1"
if errorlevel 1 goto unregister_failed
rem regsvr32's answer alone is not taken for it: the registration must be gone.
call :server_of %~2
if /i "%SERVER%"=="%HERE%%~1" goto unregister_failed
echo Kordane uninstall: %~1 unregistered.
set /a DONE+=1
exit /b 0
:unregister_failed
echo Kordane uninstall: unregistering %~1 failed. Run uninstall.cmd as an administrator.
set "FAILED=1"
exit /b 0

rem :server_of <class identifier>: SERVER, the file the class is registered from, or nothing.
:server_of
set "SERVER="
for /f "tokens=2,*" %%A in ('reg query "HKCR\CLSID\%~1\InprocServer32" /ve %VIEW% 2^>nul ^| find "REG_SZ"') do set "SERVER=%%B"
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
