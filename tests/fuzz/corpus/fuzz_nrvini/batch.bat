:start
SET PATH=C:\DOS
::c
:end
