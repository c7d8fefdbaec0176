# Installs a build tree into a scratch prefix and starts the installed game offscreen: it must
# save its picture and find every resource in the installed tree. Run by CTest in script mode
# (-P) with BUILD, PREFIX, BINDIR, DATADIR and APP_ID. Needs no display, sound card or network.

function(fail)
  message(FATAL_ERROR ${ARGN})
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  fail("cmake --install failed (${result}):\n${out}${err}")
endif()

set(resources "${PREFIX}/${DATADIR}/spheron/resources")
foreach(file "${BINDIR}/spheron" "${DATADIR}/spheron/resources/Settings.bundle/Root.plist"
        "${DATADIR}/spheron/resources/red_bubble64x64-1.png" "${DATADIR}/spheron/resources/pop.caf"
        "${DATADIR}/applications/${APP_ID}.desktop" "${DATADIR}/metainfo/${APP_ID}.metainfo.xml"
        "${DATADIR}/icons/hicolor/16x16/apps/${APP_ID}.png"
        "${DATADIR}/icons/hicolor/256x256/apps/${APP_ID}.png"
        "${DATADIR}/icons/hicolor/scalable/apps/${APP_ID}.svg")
  if(NOT EXISTS "${PREFIX}/${file}")
    fail("not installed: ${file}")
  endif()
endforeach()
file(GLOB programs RELATIVE "${PREFIX}/${BINDIR}" "${PREFIX}/${BINDIR}/*")
if(NOT programs STREQUAL "spheron")
  fail("only the game belongs in ${BINDIR}, found: ${programs}")
endif()

# Runs the installed game until it has saved `shot`; its log goes to the variable `log_var`.
# The driver's own allocations at exit are not ours: leak checking stays with the suites.
function(run_installed_game shot log_var)
  file(REMOVE "${shot}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env --unset=SPHERON_RESOURCES SDL_VIDEODRIVER=offscreen
            SDL_AUDIODRIVER=dummy "SPHERON_PREFERENCES=${PREFIX}/preferences.plist"
            ASAN_OPTIONS=detect_leaks=0 "${PREFIX}/${BINDIR}/spheron" --screenshot "${shot}"
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT result EQUAL 0)
    fail("the installed game failed (${result}):\n${out}${err}")
  endif()
  file(READ "${shot}" signature LIMIT 8 HEX)
  if(NOT signature STREQUAL "89504e470d0a1a0a")
    fail("no PNG picture at ${shot}:\n${err}")
  endif()
  set(${log_var} "${err}" PARENT_SCOPE)
endfunction()

set(missing "no such file|cannot load|no image named|NSURL is nil|no default preferences")
string(APPEND missing "|no window icon")
run_installed_game("${PREFIX}/complete.png" log)
if(log MATCHES "${missing}")
  fail("the installed game missed resources:\n${log}")
endif()

# Without one installed image the game says so, naming the installed folder: it looked there,
# not in the build or source tree, which still hold that image.
file(REMOVE "${resources}/up-1.png")
run_installed_game("${PREFIX}/one-missing.png" log)
string(FIND "${log}" "up-1.png: no such file in ${resources}" at)
if(at EQUAL -1)
  fail("expected the missing up-1.png to be reported in ${resources}, got:\n${log}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
