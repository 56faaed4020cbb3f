# The last install step of the runtime: SHA256SUMS of every file installed
# before it, in the form sha256sum -c reads.
set(_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(_files ${CMAKE_INSTALL_MANIFEST_FILES})
list(SORT _files)
set(_sums "")
foreach(f IN LISTS _files)
  file(SHA256 ${f} hash)
  file(RELATIVE_PATH rel ${_root} ${f})
  string(APPEND _sums "${hash}  ${rel}\n")
endforeach()
file(WRITE ${_root}/SHA256SUMS "${_sums}")
file(CHMOD ${_root}/SHA256SUMS PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
