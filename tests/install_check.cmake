# Installs a build tree into a fresh prefix and checks what lands there, as a
# user who runs `cmake --install BUILD --prefix DIR` would find it:
#   - exactly the four programs in bin/ and README.md in
#     share/doc/drovenna-lba-tools, nothing else (no test program, no file
#     of the Windows archive's own install component);
#   - README.md the same bytes as the source one;
#   - each installed program starts and prints its banner;
#   - the installed extract writes, from examples/episode2.bin, the same
#     listing as the extract of the build tree, with status 0.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DSUFFIX=.exe|"" -DBUILT_EXTRACT=...
#         [-DRUNNER=cmd|arg|...] -P install_check.cmake
#
# RUNNER is a command put in front of the programs (Wine for the Windows
# build), its words separated by "|" as a test command cannot carry ";".

foreach(var BUILD_DIR SOURCE_DIR BUILT_EXTRACT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "install_check: ${var} is not set")
  endif()
endforeach()
string(REPLACE "|" ";" runner "${RUNNER}")

# A prefix of its own per run, so that a second run of the suite on the same
# build tree cannot meet it. Removed at the end, also after a failure.
string(RANDOM LENGTH 10 tag)
set(prefix "${BUILD_DIR}/install-check-${tag}")
set(work "${prefix}-work")
file(REMOVE_RECURSE "${prefix}" "${work}")
file(MAKE_DIRECTORY "${work}")

function(fail what)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${prefix}" "${prefix}/*")
  list(SORT found)
  list(JOIN found "\n  " found)
  file(REMOVE_RECURSE "${prefix}" "${work}")
  message(FATAL_ERROR "install_check: ${what}\ninstalled tree:\n  ${found}")
endfunction()

execute_process(
  COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  fail("cmake --install failed (${status}):\n${out}${err}")
endif()

set(programs extract extractor tablebuild lbacheck)
set(doc share/doc/drovenna-lba-tools/README.md)
set(expected ${doc})
foreach(program IN LISTS programs)
  list(APPEND expected bin/${program}${SUFFIX})
endforeach()
list(SORT expected)
file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${prefix}" "${prefix}/*")
list(SORT found)
if(NOT found STREQUAL expected)
  string(REPLACE ";" ", " expected_text "${expected}")
  fail("the installed files are not the expected ${expected_text}")
endif()

file(SHA256 "${prefix}/${doc}" installed_readme)
file(SHA256 "${SOURCE_DIR}/README.md" source_readme)
if(NOT installed_readme STREQUAL source_readme)
  fail("${doc} differs from the source README.md")
endif()

# Started without arguments, each program prints its banner (then its usage)
# and exits; a file that is not executable, or not a program, gives no exit
# status at all.
foreach(program IN LISTS programs)
  execute_process(
    COMMAND ${runner} "${prefix}/bin/${program}${SUFFIX}"
    WORKING_DIRECTORY "${work}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status MATCHES "^[0-9]+$" OR NOT out MATCHES "^Drovenna[^\r\n]* LBA ")
    fail("bin/${program}${SUFFIX} does not run: status \"${status}\", output \"${out}\", errors \"${err}\"")
  endif()
endforeach()

configure_file("${SOURCE_DIR}/examples/episode2.bin" "${work}/00file" COPYONLY)
foreach(which installed built)
  if(which STREQUAL "installed")
    set(program "${prefix}/bin/extract${SUFFIX}")
  else()
    set(program "${BUILT_EXTRACT}")
  endif()
  execute_process(
    COMMAND ${runner} "${program}" 00file ${which}.lba
    WORKING_DIRECTORY "${work}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status STREQUAL "0")
    fail("${program} 00file ${which}.lba: status \"${status}\", errors \"${err}\"")
  endif()
endforeach()
file(SHA256 "${work}/installed.lba" installed_listing)
file(SHA256 "${work}/built.lba" built_listing)
file(SIZE "${work}/installed.lba" listing_size)
if(NOT installed_listing STREQUAL built_listing OR listing_size EQUAL 0)
  fail("the installed extract wrote another listing than the built one (${listing_size} bytes)")
endif()

file(REMOVE_RECURSE "${prefix}" "${work}")
