@start "" "%~dp0rvdatebackup.exe" --restore
