# Writes the manifest of a sample root once everything in it is in place: a first line that
# names the format, one line per file, "SIZE PATH", the path relative to the root with forward
# slashes, in sorted order, and a last line "end COUNT". It is written beside its final name and
# renamed into place, so that in the build tree a manifest is either whole or absent; the
# closing count shows a copy of it cut short.
#
#   cmake -DSAMPLE_ROOT=FOLDER -DMANIFEST=FILE -P WriteSampleRootManifest.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SAMPLE_ROOT OR NOT MANIFEST)
    message(FATAL_ERROR "usage: cmake -DSAMPLE_ROOT=FOLDER -DMANIFEST=FILE -P ${CMAKE_SCRIPT_MODE_FILE}")
endif()
get_filename_component(manifest_name ${MANIFEST} NAME)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${SAMPLE_ROOT} ${SAMPLE_ROOT}/*)
list(REMOVE_ITEM files ${manifest_name} ${manifest_name}.new)
list(SORT files)
set(text "velorin sample root manifest 1\n")
foreach(file IN LISTS files)
    if(IS_SYMLINK ${SAMPLE_ROOT}/${file} OR file MATCHES "[\n\r]")
        message(FATAL_ERROR "${SAMPLE_ROOT}/${file}: a sample root holds only plain files with plain names")
    endif()
    file(SIZE ${SAMPLE_ROOT}/${file} size)
    string(APPEND text "${size} ${file}\n")
endforeach()
list(LENGTH files count)
string(APPEND text "end ${count}\n")
file(WRITE ${MANIFEST}.new "${text}")
file(RENAME ${MANIFEST}.new ${MANIFEST})
