# Packs a build tree as a Debian package in a scratch folder and holds it to the distribution's
# checks: lintian finds no error or warning, every file that names the version names this one,
# and the game starts from the unpacked /usr/games and finds its resources. Run by CTest in script
# mode (-P) with BUILD, CPACK, SCRATCH, SOURCE, VERSION and APP_ID. Without Debian's tools it says
# "package check skipped:" and CTest counts it as skipped.

function(fail)
  message(FATAL_ERROR ${ARGN})
endfunction()

foreach(tool lintian dpkg-deb dpkg-shlibdeps)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message("package check skipped: ${tool} is not installed (scripts/dev setup installs it)")
    return()
  endif()
endforeach()

# A release names its version in the changelog, the software centre's release list and the
# manual page; lintian compares none of them with the package's.
string(REPLACE "." "\\." version "${VERSION}")
function(expect_version what file line_regex version_regex)
  file(STRINGS "${SOURCE}/${file}" line REGEX "${line_regex}" LIMIT_COUNT 1)
  if(NOT line MATCHES "${version_regex}")
    fail("the ${what} (${file}) does not name version ${VERSION}: ${line}")
  endif()
endfunction()
expect_version("newest entry" data/debian/changelog "^spheron " "^spheron \\(${version}\\) ")
expect_version("newest release" data/${APP_ID}.metainfo.xml.in "<release " "version=\"${version}\"")
expect_version("title line" data/spheron.6 "^\\.TH " "\"spheron ${version}\"")

file(REMOVE_RECURSE "${SCRATCH}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${SCRATCH}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(GLOB packages "${SCRATCH}/spheron_${VERSION}_*.deb")
list(LENGTH packages count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
  fail("cpack made no spheron_${VERSION} package (${result}):\n${out}${err}")
endif()

execute_process(COMMAND lintian --no-cfg --fail-on error,warning "${packages}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  fail("lintian (${result}):\n${out}${err}")
endif()

set(root "${SCRATCH}/root")
execute_process(COMMAND dpkg-deb -x "${packages}" "${root}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  fail("dpkg-deb -x ${packages} failed (${result})")
endif()

# The desktop's own validators, where installed; lintian does not run them.
find_program(desktop_file_validate desktop-file-validate)
if(desktop_file_validate)
  execute_process(COMMAND "${desktop_file_validate}"
                          "${root}/usr/share/applications/${APP_ID}.desktop"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0 OR out OR err)
    fail("desktop-file-validate (${result}):\n${out}${err}")
  endif()
endif()
find_program(appstreamcli appstreamcli)
if(appstreamcli)
  execute_process(COMMAND "${appstreamcli}" validate --no-net --pedantic
                          "${root}/usr/share/metainfo/${APP_ID}.metainfo.xml"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    fail("appstreamcli validate (${result}):\n${out}${err}")
  endif()
endif()

# The packaged game from games/, the folder it was not built for: it must save its picture and
# find every resource. The driver's own allocations at exit are not ours (as in InstallCheck).
set(shot "${SCRATCH}/shot.png")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env --unset=SPHERON_RESOURCES SDL_VIDEODRIVER=offscreen
          SDL_AUDIODRIVER=dummy "SPHERON_PREFERENCES=${SCRATCH}/preferences.plist"
          ASAN_OPTIONS=detect_leaks=0 "${root}/usr/games/spheron" --screenshot "${shot}"
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
set(signature "")
if(EXISTS "${shot}")
  file(READ "${shot}" signature LIMIT 8 HEX)
endif()
if(NOT result EQUAL 0 OR NOT signature STREQUAL "89504e470d0a1a0a")
  fail("the packaged game saved no picture (${result}):\n${out}${err}")
endif()
set(missing "no such file|cannot load|no image named|NSURL is nil|no default preferences")
if(err MATCHES "${missing}|no window icon")
  fail("the packaged game missed resources:\n${err}")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
