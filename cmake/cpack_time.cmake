# Read by cpack before each package is made: the times inside the .deb and
# the zip are SOURCE_DATE_EPOCH, the one in cpack's environment when it has
# one, else the one the configure chose (reproducible.cmake).
if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_CAPITALS_SOURCE_DATE_EPOCH}")
endif()
