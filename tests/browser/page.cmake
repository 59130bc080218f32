# Writes the tour's page and loads it in headless Chromium: the page must raise no console
# message (it has no scripts, so any is an error or a refused fetch), the map must hold one
# marker per player and creature of the world, and a screenshot is kept for people to look at.
#   cmake -DSIM=<program> -DSOURCE=<source dir> -DOUT_DIR=<dir> -P page.cmake
cmake_minimum_required(VERSION 3.20)

find_program(CHROMIUM NAMES chromium chromium-browser)
if(NOT CHROMIUM)
  message("SKIP: chromium is not installed (scripts/setup-deps chromium installs it)")
  return()
endif()

file(REMOVE_RECURSE "${OUT_DIR}")
file(MAKE_DIRECTORY "${OUT_DIR}")
set(page "${OUT_DIR}/tour.html")
execute_process(
  COMMAND "${SIM}" --html "${page}" examples/tour.txt
  WORKING_DIRECTORY "${SOURCE}"
  OUTPUT_QUIET
  ERROR_VARIABLE sim_errors
  RESULT_VARIABLE code)
if(NOT EXISTS "${page}")
  message(FATAL_ERROR "beastfinder-sim wrote no page (exit code ${code}): ${sim_errors}")
endif()

file(READ "${SOURCE}/examples/world.json" world)
string(JSON players LENGTH "${world}" players)
string(JSON creatures LENGTH "${world}" creatures)
math(EXPR expected "${players} + ${creatures}")

# A fresh profile each run; nothing reaches the network.
set(flags --headless --no-sandbox --disable-gpu --disable-quic --no-first-run
          --disable-background-networking --disable-component-update --disable-sync
          --enable-logging=stderr --v=0)
execute_process(
  COMMAND "${CHROMIUM}" ${flags} "--user-data-dir=${OUT_DIR}/profile-dom" --dump-dom
          "file://${page}"
  OUTPUT_VARIABLE dom
  ERROR_VARIABLE log
  RESULT_VARIABLE code
  TIMEOUT 120)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "chromium --dump-dom failed (${code}):\n${log}")
endif()

string(REGEX MATCHALL "[^\n]*:CONSOLE[^\n]*" console "${log}")
if(console)
  string(REPLACE ";" "\n" console "${console}")
  message(FATAL_ERROR "the page wrote to the console:\n${console}")
endif()

string(REGEX MATCHALL "class=\"marker[ \"]" markers "${dom}")
list(LENGTH markers found)
if(NOT found EQUAL expected)
  message(FATAL_ERROR "the map has ${found} markers; the world has ${players} players and "
                      "${creatures} creatures")
endif()
string(REGEX MATCHALL "class=\"arrow\"" arrows "${dom}")
list(LENGTH arrows arrow_count)
if(arrow_count EQUAL 0)
  message(FATAL_ERROR "the map shows no tracking arrow")
endif()

execute_process(
  COMMAND "${CHROMIUM}" ${flags} "--user-data-dir=${OUT_DIR}/profile-shot" --hide-scrollbars
          --window-size=1280,2200 "--screenshot=${OUT_DIR}/tour.png" "file://${page}"
  OUTPUT_QUIET
  ERROR_VARIABLE log
  RESULT_VARIABLE code
  TIMEOUT 120)
if(NOT code EQUAL 0 OR NOT EXISTS "${OUT_DIR}/tour.png")
  message(FATAL_ERROR "chromium --screenshot failed (${code}):\n${log}")
endif()
file(REMOVE_RECURSE "${OUT_DIR}/profile-dom" "${OUT_DIR}/profile-shot")
message("${found} markers, ${arrow_count} arrows, no console messages; "
        "screenshot: ${OUT_DIR}/tour.png")
