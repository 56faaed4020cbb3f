# Read by cpack before it writes the archives: a ZIP entry's time is local
# time, so the archives are written as in UTC wherever they are made.
set(ENV{TZ} UTC)
