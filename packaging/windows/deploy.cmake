# What kesto.exe needs beside it on Windows, installed with it: the Qt and
# mingw runtime DLLs and the plugins Qt loads at run time (the window system,
# the SQLite driver, the style, the image formats). Qt looks for plugins in
# sub-directories of the program's directory.
# Every Qt module the project found is one kesto links (Network only where
# something uses it).
foreach(module Core Gui Widgets Sql Network)
    if(TARGET Qt6::${module})
        install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION ${KESTO_INSTALL_DIR})
    endif()
endforeach()

foreach(plugin platforms:QWindowsIntegrationPlugin sqldrivers:QSQLiteDriverPlugin
               styles:QWindowsVistaStylePlugin imageformats:QICOPlugin imageformats:QGifPlugin
               imageformats:QJpegPlugin)
    string(REPLACE ":" ";" parts ${plugin})
    list(GET parts 0 kind)
    list(GET parts 1 name)
    if(NOT TARGET Qt6::${name})
        message(FATAL_ERROR "The Qt kit has no ${name}; kesto cannot run without it")
    endif()
    install(FILES $<TARGET_FILE:Qt6::${name}> DESTINATION ${KESTO_INSTALL_DIR}/${kind})
endforeach()

# The compiler's runtime: the kit carries stripped copies beside its Qt DLLs;
# otherwise the compiler's own.
get_target_property(kesto_qtcore Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(kesto_qt_bin ${kesto_qtcore} DIRECTORY)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    set(path ${kesto_qt_bin}/${dll})
    if(NOT EXISTS ${path})
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    endif()
    if(NOT EXISTS ${path})
        message(FATAL_ERROR "${dll} not found beside Qt or by ${CMAKE_CXX_COMPILER}")
    endif()
    install(FILES ${path} DESTINATION ${KESTO_INSTALL_DIR})
endforeach()
