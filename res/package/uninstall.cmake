# Removes every file that `cmake --install` put in place, as listed in the
# build tree's install manifest (-DMANIFEST=...), below the DESTDIR that
# installation used (-DDESTDIR_RECORD=..., or DESTDIR from the environment),
# then, once empty, the folders that belong to Hexcrate alone and those that
# the installations created (-DNEW_DIRS_RECORD=...). Says what it removed and
# what it could not.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} does not exist.")
endif()
set(destdir "$ENV{DESTDIR}")
if(destdir STREQUAL "" AND EXISTS "${DESTDIR_RECORD}")
  file(READ "${DESTDIR_RECORD}" destdir)
endif()

# `make package` installs into CPack's staging folder, which is CPack's to
# manage: nothing to uninstall there.
if(destdir MATCHES "/_CPack_Packages/")
  message(STATUS "Nothing removed: the last installation from this build tree went to the "
                 "staging folder of make package. To uninstall a real installation, install "
                 "it again (cmake --install) and then uninstall.")
  return()
elseif(NOT destdir STREQUAL "")
  message(STATUS "The last installation from this build tree went below DESTDIR ${destdir}: "
                 "uninstalling it there.")
endif()

file(STRINGS "${MANIFEST}" files)
set(own_dirs)
set(removed 0)
set(failed)
foreach(file IN LISTS files)
  set(path "${destdir}${file}")
  if(IS_SYMLINK "${path}" OR EXISTS "${path}")
    file(REMOVE "${path}")
    if(IS_SYMLINK "${path}" OR EXISTS "${path}")
      list(APPEND failed "${path}")
    else()
      message(STATUS "Removed ${path}")
      math(EXPR removed "${removed} + 1")
    endif()
  endif()
  if(path MATCHES "^(.*/(share/doc/hexcrate|include/hexcrate|lib[^/]*/cmake/Hexcrate))/")
    list(APPEND own_dirs "${CMAKE_MATCH_1}")
  endif()
endforeach()
# Folders go once they hold nothing: Hexcrate's own, and those that the
# installations made (NEW_DIRS_RECORD, paths on disk), never one that was
# there before. Sorted so that a folder comes before the one holding it.
set(dirs ${own_dirs})
if(EXISTS "${NEW_DIRS_RECORD}")
  file(STRINGS "${NEW_DIRS_RECORD}" recorded)
  # A record from before staging installs were left out may still name them.
  list(FILTER recorded EXCLUDE REGEX "/_CPack_Packages/")
  list(APPEND dirs ${recorded})
endif()
list(REMOVE_DUPLICATES dirs)
list(SORT dirs ORDER DESCENDING)
set(kept_dirs)
foreach(dir IN LISTS dirs)
  if(NOT IS_DIRECTORY "${dir}" OR IS_SYMLINK "${dir}")
    continue()
  endif()
  file(GLOB inside LIST_DIRECTORIES true "${dir}/*" "${dir}/.*")
  if(inside)
    message(STATUS "Kept ${dir}/: not empty")
    list(APPEND kept_dirs "${dir}")
    continue()
  endif()
  file(REMOVE_RECURSE "${dir}")
  if(EXISTS "${dir}")
    list(APPEND failed "${dir}/")
    list(APPEND kept_dirs "${dir}")
  else()
    message(STATUS "Removed ${dir}/")
  endif()
endforeach()
# What is still there stays on record for the next uninstall.
if(EXISTS "${NEW_DIRS_RECORD}")
  if(kept_dirs)
    list(JOIN kept_dirs "\n" text)
    file(WRITE "${NEW_DIRS_RECORD}" "${text}\n")
  else()
    file(REMOVE "${NEW_DIRS_RECORD}")
  endif()
endif()
list(LENGTH files listed)
message(STATUS "Uninstall: removed ${removed} of the ${listed} installed files.")
if(failed)
  list(JOIN failed "\n  " failed_lines)
  message(FATAL_ERROR "Could not remove (permission? try as the user who installed):\n  ${failed_lines}")
endif()
