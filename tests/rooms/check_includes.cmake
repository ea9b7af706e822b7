# Refuses an include that breaks a room's rule (each room's README says what it may include),
# and a source file of more than 600 lines.
# Run as: cmake -DSOURCE=<src folder> -P check_includes.cmake
#
# A room may include the rooms named in its row; "qt", "gdal" and "system" say whether it may
# include Qt, GDAL and PROJ, and the system's own headers beneath the standard library (POSIX,
# Linux). Standard C++ headers are open to every room.
cmake_minimum_required(VERSION 3.20)
set(rooms
    "platform: platform qt system"
    "compute: compute platform"
    "files: compute files platform"
    "scenario: compute files scenario platform"
    "analysis: compute files scenario analysis platform"
    "views: compute files scenario analysis views platform qt"
    "media: compute files scenario analysis views media platform qt"
    "gis: compute files scenario gis platform gdal"
    "surfer: files surfer platform qt"
    "mapper: compute files views mapper platform qt gdal"
    "window: compute files scenario analysis views media gis surfer window platform qt"
    "batch: compute files scenario analysis views media gis surfer batch platform qt"
)
set(system_headers "^(sys/|unistd\\.h|fcntl\\.h|dirent\\.h|pthread\\.h|signal\\.h|spawn\\.h|poll\\.h|termios\\.h|dlfcn\\.h|pwd\\.h|grp\\.h|sched\\.h|semaphore\\.h|netinet/|arpa/|linux/)")
set(qt_headers "^(Q[A-Za-z]|Qt)")
set(gdal_headers "^(gdal|ogr|cpl_|proj)")

if(NOT SOURCE)
    message(FATAL_ERROR "SOURCE (the src folder) is not given")
endif()
set(broken "")
set(known "")
foreach(row IN LISTS rooms)
    string(REGEX MATCH "^([a-z]+):(.*)$" unused "${row}")
    set(room "${CMAKE_MATCH_1}")
    separate_arguments(allowed UNIX_COMMAND "${CMAKE_MATCH_2}")
    list(APPEND known "${room}")
    file(GLOB_RECURSE files "${SOURCE}/${room}/*.h" "${SOURCE}/${room}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        file(RELATIVE_PATH name "${SOURCE}" "${file}")
        foreach(line IN LISTS lines)
            string(REGEX MATCH "[<\"]([^>\"]+)[>\"]" unused "${line}")
            set(header "${CMAKE_MATCH_1}")
            if(line MATCHES "\"")
                string(REGEX MATCH "^([a-z_]+)/" unused "${header}")
                set(target "${CMAKE_MATCH_1}")
                if(target STREQUAL "" OR NOT target IN_LIST allowed)
                    list(JOIN allowed " " may)
                    list(APPEND broken "${name}: \"${header}\" (${room} may include: ${may})")
                endif()
            elseif(header MATCHES "${system_headers}" AND NOT "system" IN_LIST allowed)
                list(APPEND broken "${name}: <${header}> is the system's; it belongs in platform/")
            elseif(header MATCHES "${qt_headers}" AND NOT "qt" IN_LIST allowed)
                list(APPEND broken "${name}: <${header}> is Qt's, which ${room} does not use")
            elseif(header MATCHES "${gdal_headers}" AND NOT "gdal" IN_LIST allowed)
                list(APPEND broken "${name}: <${header}> is GDAL's or PROJ's, which ${room} does not use")
            endif()
        endforeach()
    endforeach()
endforeach()

# No source file over 600 lines: a file that grows past that holds more than one job.
file(GLOB_RECURSE sources "${SOURCE}/*.h" "${SOURCE}/*.cpp")
foreach(file IN LISTS sources)
    file(STRINGS "${file}" lines)
    list(LENGTH lines count)
    if(count GREATER 600)
        file(RELATIVE_PATH name "${SOURCE}" "${file}")
        list(APPEND broken "${name}: ${count} lines, more than 600; split it by job")
    endif()
endforeach()

# A room that no row names has no rule yet.
file(GLOB entries LIST_DIRECTORIES true "${SOURCE}/*")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY "${entry}")
        get_filename_component(room "${entry}" NAME)
        if(NOT room IN_LIST known)
            list(APPEND broken "${room}/: a room without a row in tests/rooms/check_includes.cmake")
        endif()
        if(NOT EXISTS "${entry}/README.md")
            list(APPEND broken "${room}/: no README.md saying what it holds and may include")
        endif()
    endif()
endforeach()

list(LENGTH broken count)
if(count GREATER 0)
    list(JOIN broken "\n  " text)
    message(FATAL_ERROR "${count} breach(es) of the rooms' rules:\n  ${text}")
endif()
