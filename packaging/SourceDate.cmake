# Run by cpack before it packs: SOURCE_DATE_EPOCH, which gives every file in
# the package its date, is the last commit's time (the release date outside a
# repository). A date set by the caller stays.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_TARNWICK_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    set(epoch ${CPACK_TARNWICK_RELEASE_EPOCH})
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
