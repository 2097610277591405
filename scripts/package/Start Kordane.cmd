@echo off
rem Starts Kordane with this folder as its working folder, whatever the shortcut says.
cd /d "%~dp0"
start "" "%~dp0Kordane.exe"
