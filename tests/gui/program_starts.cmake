# Starts the real program in a scratch copy of the program directory whose QV.ini names a sample
# script, and checks that it comes up with the script open and shows every page.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY ${PROGRAM_DIR}/ DESTINATION ${WORK_DIR})
file(WRITE ${WORK_DIR}/QV.ini
"*INFILE           ${WORK_DIR}/samples/scripts/grey_white_cuts.avs
*OUTFILE          ${WORK_DIR}/out.m2v
")
file(WRITE ${WORK_DIR}/QV.dbs "left by an earlier encode")
set(ENV{QVGUI_SCREENSHOTS} ${WORK_DIR}/shots)
execute_process(COMMAND ${WORK_DIR}/QVgui WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
message(STATUS "${out}")
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "QVgui ended with ${rc}: ${err}")
endif()
if(NOT out MATCHES "message line: QV.ini successfully processed, Avisynth.dll loaded, Avisynth successfully initialized")
    message(FATAL_ERROR "the script was not opened at start-up")
endif()
foreach(page main advanced matrix preview)
    if(NOT EXISTS ${WORK_DIR}/shots/${page}.png)
        message(FATAL_ERROR "no picture of the ${page} page")
    endif()
endforeach()
if(EXISTS ${WORK_DIR}/QV.dbs)
    message(FATAL_ERROR "QV.dbs left by an earlier encode was not removed")
endif()
