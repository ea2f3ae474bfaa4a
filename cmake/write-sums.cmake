# Install step: SHA256SUMS beside the installed deliverables, in the format
# of sha256sum (scripts/sign.sh rewrites it the same way after signing).
set(dist "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(sums "")
list(SORT GAINLET_DELIVERABLES)
foreach(name IN LISTS GAINLET_DELIVERABLES)
  file(SHA256 "${dist}/${name}" hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
message(STATUS "Writing: ${dist}/SHA256SUMS")
file(WRITE "${dist}/SHA256SUMS" "${sums}")
