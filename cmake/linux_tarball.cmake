# Packs the program for any Linux: NAME/ holding the program, its manual
# page capitals.6, README.md and LICENSE, as OUTPUT (NAME.tar.gz). The same
# files give the same bytes: the members sorted by name, owned by root,
# with fixed permissions and every time SOURCE_DATE_EPOCH (the environment's
# when set, else EPOCH, the one the configure chose), and gzip writes no
# name or time.
#
#   cmake -D PROGRAM=... -D SOURCE=... -D NAME=... -D OUTPUT=... -D EPOCH=... -P linux_tarball.cmake
if("$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(EPOCH "$ENV{SOURCE_DATE_EPOCH}")
endif()

set(stage "${OUTPUT}.folder")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}/${NAME}")
file(COPY_FILE "${PROGRAM}" "${stage}/${NAME}/capitals")
file(COPY_FILE "${SOURCE}/man/capitals.6" "${stage}/${NAME}/capitals.6")
file(COPY_FILE "${SOURCE}/README.md" "${stage}/${NAME}/README.md")
file(COPY_FILE "${SOURCE}/LICENSE" "${stage}/${NAME}/LICENSE")
file(CHMOD "${stage}/${NAME}" "${stage}/${NAME}/capitals" PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(CHMOD "${stage}/${NAME}/capitals.6" "${stage}/${NAME}/README.md" "${stage}/${NAME}/LICENSE" PERMISSIONS
  OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

execute_process(
  COMMAND tar --sort=name --format=ustar --owner=0 --group=0 --numeric-owner "--mtime=@${EPOCH}"
    -C "${stage}" -cf - "${NAME}"
  COMMAND gzip -9 -n
  OUTPUT_FILE "${OUTPUT}"
  RESULTS_VARIABLE results)
file(REMOVE_RECURSE "${stage}")
if(NOT results STREQUAL "0;0")
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "The tarball ${OUTPUT} could not be made: tar and gzip gave ${results}")
endif()
message(STATUS "Made ${OUTPUT}")
