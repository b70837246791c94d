# What `cmake --install` puts under the prefix: the two programs, the desktop entry, the icon,
# the AppStream metainfo and the symbol licence. The QML module, its symbols and the window icon
# are compiled into the program; tests, benchmarks and fuzzers are not installed.
include(GNUInstallDirs)

install(TARGETS pictavo pictavo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(data ${PROJECT_SOURCE_DIR}/data)
install(FILES ${data}/${PICTAVO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data}/${PICTAVO_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/src/ui/icons/LICENSE-tabler-icons.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pictavo)

# Every picture in docs/screenshots is offered to software centres, the default window first;
# captions come from docs/screenshots/captions.tsv (name, English, Turkish; tab-separated).
set(PICTAVO_SCREENSHOT_BASE_URL
    "https://raw.githubusercontent.com/pictavo/pictavo/main/docs/screenshots"
    CACHE STRING "Where software centres download the screenshots from")
set(PICTAVO_HOMEPAGE "https://github.com/pictavo/pictavo" CACHE STRING "The project's home page")

set(screenshots_dir ${PROJECT_SOURCE_DIR}/docs/screenshots)
file(GLOB screenshots RELATIVE ${screenshots_dir} CONFIGURE_DEPENDS ${screenshots_dir}/*.png)
list(SORT screenshots)
list(REMOVE_ITEM screenshots window-empty.png)
list(PREPEND screenshots window-empty.png)
file(STRINGS ${screenshots_dir}/captions.tsv caption_lines ENCODING UTF-8)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${screenshots_dir}/captions.tsv)

set(PICTAVO_METAINFO_SCREENSHOTS "")
foreach(shot IN LISTS screenshots)
    set(type "")
    if(shot STREQUAL "window-empty.png")
        set(type " type=\"default\"")
    endif()
    string(APPEND PICTAVO_METAINFO_SCREENSHOTS "    <screenshot${type}>\n")
    foreach(line IN LISTS caption_lines)
        string(REPLACE "\t" ";" fields "${line}")
        list(LENGTH fields field_count)
        if(field_count EQUAL 3)
            list(GET fields 0 name)
            if(name STREQUAL shot)
                list(GET fields 1 english)
                list(GET fields 2 turkish)
                string(APPEND PICTAVO_METAINFO_SCREENSHOTS
                       "      <caption>${english}</caption>\n"
                       "      <caption xml:lang=\"tr\">${turkish}</caption>\n")
            endif()
        endif()
    endforeach()
    string(APPEND PICTAVO_METAINFO_SCREENSHOTS
           "      <image>${PICTAVO_SCREENSHOT_BASE_URL}/${shot}</image>\n"
           "    </screenshot>\n")
endforeach()

configure_file(${data}/${PICTAVO_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${PICTAVO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${PICTAVO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
