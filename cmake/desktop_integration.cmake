# What `cmake --install` puts under the prefix: the two programs, the desktop entry, the icon,
# the AppStream metainfo, the file managers' context-menu entries and the symbol licence. The QML
# module, its symbols and the window icon are compiled into the program; tests, benchmarks and
# fuzzers are not installed.
include(GNUInstallDirs)

install(TARGETS pictavo pictavo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(data ${PROJECT_SOURCE_DIR}/data)
install(FILES ${data}/${PICTAVO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data}/${PICTAVO_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# "Pictavo ile Boyutlandır" for photos and folders in Dolphin, Nemo and Nautilus. Plasma runs a
# service menu only when the file is executable.
set(file_managers ${data}/file-managers)
install(FILES ${file_managers}/pictavo-resize.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                    WORLD_READ WORLD_EXECUTE)
install(FILES ${file_managers}/pictavo-resize.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions)
install(FILES ${file_managers}/pictavo_resize.py
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nautilus-python/extensions)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/icons/LICENSE-tabler-icons.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pictavo)

# Every picture in docs/screenshots is offered to software centres: first those listed in
# docs/screenshots/captions.tsv (name, English caption, Turkish caption; tab-separated), in its
# order, the first being the default; then any others, uncaptioned.
set(PICTAVO_SCREENSHOT_BASE_URL
    "https://raw.githubusercontent.com/pictavo/pictavo/main/docs/screenshots"
    CACHE STRING "Where software centres download the screenshots from")
set(PICTAVO_HOMEPAGE "https://github.com/pictavo/pictavo" CACHE STRING "The project's home page")

set(screenshots_dir ${PROJECT_SOURCE_DIR}/docs/screenshots)
file(GLOB uncaptioned RELATIVE ${screenshots_dir} CONFIGURE_DEPENDS ${screenshots_dir}/*.png)
list(SORT uncaptioned)
file(STRINGS ${screenshots_dir}/captions.tsv caption_lines ENCODING UTF-8)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${screenshots_dir}/captions.tsv)

set(PICTAVO_METAINFO_SCREENSHOTS "")
function(add_screenshot name captions)
    set(entry "    <screenshot>\n")
    if(PICTAVO_METAINFO_SCREENSHOTS STREQUAL "")
        set(entry "    <screenshot type=\"default\">\n")
    endif()
    string(APPEND entry "${captions}"
           "      <image>${PICTAVO_SCREENSHOT_BASE_URL}/${name}</image>\n"
           "    </screenshot>\n")
    set(PICTAVO_METAINFO_SCREENSHOTS "${PICTAVO_METAINFO_SCREENSHOTS}${entry}" PARENT_SCOPE)
endfunction()

foreach(line IN LISTS caption_lines)
    string(REPLACE "\t" ";" fields "${line}")
    list(LENGTH fields field_count)
    if(NOT field_count EQUAL 3)
        message(FATAL_ERROR "captions.tsv: not name, English and Turkish caption: ${line}")
    endif()
    list(GET fields 0 name)
    list(GET fields 1 english)
    list(GET fields 2 turkish)
    foreach(text english turkish)
        string(REPLACE "&" "&amp;" ${text} "${${text}}")
        string(REPLACE "<" "&lt;" ${text} "${${text}}")
    endforeach()
    if(name IN_LIST uncaptioned)
        list(REMOVE_ITEM uncaptioned ${name})
        set(captions "      <caption>${english}</caption>\n"
                     "      <caption xml:lang=\"tr\">${turkish}</caption>\n")
        string(JOIN "" captions ${captions})
        add_screenshot(${name} "${captions}")
    endif()
endforeach()
foreach(name IN LISTS uncaptioned)
    add_screenshot(${name} "")
endforeach()

configure_file(${data}/${PICTAVO_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${PICTAVO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${PICTAVO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
