# Runs first in every installation: notes each folder below the prefix that
# the installation is about to create, so that `make uninstall` can remove
# them again once empty, and never a folder that was there before. The
# folders come from the destinations in the build tree's install scripts.
# Appends to the record (HEXCRATE_NEW_DIRS_RECORD, by default beside the
# install manifest); paths include DESTDIR, being the folders on disk.
if(NOT DEFINED HEXCRATE_NEW_DIRS_RECORD)
  set(HEXCRATE_NEW_DIRS_RECORD "${HEXCRATE_BUILD_DIR}/install_new_dirs.txt")
endif()
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
# CPack's staging folder (`make package`) is CPack's to manage: its folders
# are no installation's to remove.
if(root MATCHES "/_CPack_Packages/")
  return()
endif()

cmake_policy(PUSH)
cmake_policy(SET CMP0009 NEW)  # links in the build tree are not followed
file(GLOB_RECURSE scripts "${HEXCRATE_BUILD_DIR}/*/cmake_install.cmake")
cmake_policy(POP)
set(new_dirs)
foreach(script IN LISTS scripts)
  file(STRINGS "${script}" lines REGEX "DESTINATION \"\\\${CMAKE_INSTALL_PREFIX}/")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "DESTINATION \"\\\${CMAKE_INSTALL_PREFIX}/([^\"]*)\"")
      continue()
    endif()
    set(dir "${root}")
    string(REPLACE "/" ";" parts "${CMAKE_MATCH_1}")
    foreach(part IN LISTS parts)
      if(part STREQUAL "" OR part STREQUAL "." OR part STREQUAL "..")
        break()
      endif()
      string(APPEND dir "/${part}")
      if(NOT EXISTS "${dir}" AND NOT IS_SYMLINK "${dir}")
        list(APPEND new_dirs "${dir}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(EXISTS "${HEXCRATE_NEW_DIRS_RECORD}")
  file(STRINGS "${HEXCRATE_NEW_DIRS_RECORD}" recorded)
  list(APPEND new_dirs ${recorded})
endif()
list(REMOVE_DUPLICATES new_dirs)
list(JOIN new_dirs "\n" text)
file(WRITE "${HEXCRATE_NEW_DIRS_RECORD}" "${text}\n")
