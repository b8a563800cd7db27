# The Debian package: the install rules under /usr, with the metadata a
# distribution needs (AppStream data, manual pages, copyright, changelog).
# scripts/package builds it; `cpack -G DEB` does in any build tree.

set(TARNWICK_ID org.example.tarnwick)
# The same address as the window's Home Page.
set(TARNWICK_HOME_PAGE https://tarnwick.example.org/)
set(TARNWICK_MAINTAINER "The Tarnwick developers <developers@tarnwick.example.org>")
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)

# The changelog gives the release's date in the form of e-mail.
execute_process(COMMAND date -u -R -d "${TARNWICK_RELEASE_DATE}"
                OUTPUT_VARIABLE TARNWICK_RELEASE_TIME OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

# The metainfo repeats the desktop entry's categories and MIME types.
set(desktop_entry ${CMAKE_SOURCE_DIR}/packaging/${TARNWICK_ID}.desktop)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${desktop_entry})
function(desktop_list key element out)
  file(STRINGS ${desktop_entry} line REGEX "^${key}=")
  string(REGEX REPLACE "^${key}=" "" line "${line}")
  string(REPLACE "\\;" ";" items "${line}")
  set(xml "")
  foreach(item IN LISTS items)
    if(item)
      string(APPEND xml "\n    <${element}>${item}</${element}>")
    endif()
  endforeach()
  set(${out} "${xml}" PARENT_SCOPE)
endfunction()
desktop_list(Categories category TARNWICK_CATEGORIES)
desktop_list(MimeType mediatype TARNWICK_MEDIATYPES)
configure_file(packaging/${TARNWICK_ID}.metainfo.xml.in ${packaging_out}/${TARNWICK_ID}.metainfo.xml @ONLY)

# Manual pages and the changelog, compressed as Debian keeps them (no name or
# time in the gzip header, so that the package is the same every build).
set(compressed)
foreach(file tarnwick.1 tarnwick-batch.1 changelog)
  configure_file(packaging/${file}.in ${packaging_out}/${file} @ONLY)
  add_custom_command(OUTPUT ${packaging_out}/${file}.gz
                     COMMAND gzip -9nkf ${packaging_out}/${file}
                     DEPENDS ${packaging_out}/${file} VERBATIM)
  list(APPEND compressed ${packaging_out}/${file}.gz)
endforeach()

# The icon in the sizes of the icon theme, drawn from the scalable one.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg ${CMAKE_SOURCE_DIR}/ui/resources/icons/tarnwick.svg)
set(icons)
foreach(size 16 22 24 32 48 64 128 256)
  set(png ${packaging_out}/icons/${size}x${size}/tarnwick.png)
  add_custom_command(OUTPUT ${png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}x${size}
                     COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${icon_svg}
                     DEPENDS ${icon_svg} VERBATIM)
  install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  list(APPEND icons ${png})
endforeach()
add_custom_target(package_files ALL DEPENDS ${compressed} ${icons})

install(FILES ${desktop_entry} DESTINATION share/applications)
install(FILES ${packaging_out}/${TARNWICK_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${packaging_out}/tarnwick.1.gz ${packaging_out}/tarnwick-batch.1.gz DESTINATION share/man/man1)
install(FILES packaging/copyright ${packaging_out}/changelog.gz DESTINATION share/doc/tarnwick)
install(FILES packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME tarnwick)

# Stripped as Debian's tools strip: besides the symbols, the compiler's
# .comment and the .note section go.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(elf bin/tarnwick bin/tarnwick-batch ${TARNWICK_MODULE_DIR}/libtarnwick-wma.so)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${elf}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "The Tarnwick developers")
set(CPACK_PACKAGE_CONTACT ${TARNWICK_MAINTAINER})
set(CPACK_PACKAGE_HOMEPAGE_URL ${TARNWICK_HOME_PAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small and fast sound editor for WAV, MP3 and WMA files")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps. Qt's SVG plugins,
# which draw every icon, are loaded rather than linked: their package is named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6svg6)
# Saving as MP3 loads LAME at run time; the Chinese language files need a
# font with their characters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libmp3lame0, fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Every file's date is the last commit's (packaging/SourceDate.cmake, run by
# cpack), so that packaging the same build twice gives the same bytes.
set(CPACK_TARNWICK_SOURCE_DIR ${CMAKE_SOURCE_DIR})
execute_process(COMMAND date -u +%s -d "${TARNWICK_RELEASE_DATE}"
                OUTPUT_VARIABLE CPACK_TARNWICK_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/packaging/SourceDate.cmake)
include(CPack)
