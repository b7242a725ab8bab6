# The release package: one folder with the module, its help document, the
# reference host, the map and splay renderers, example designs and a short README.
#   cmake --install build/win32 --prefix <folder>
#   cpack --config build/win32/CPackConfig.cmake   (ZIP in build/win32/package)
# Included from tools/ksrhost, where the host and its examples live.

set(ksr_package_root ${PROJECT_SOURCE_DIR}/tools/ksrhost)

install(PROGRAMS $<TARGET_FILE:ksr> $<TARGET_FILE:ksrhost> DESTINATION .)
# Rendered beside the module by docs/; DLLGetFiles names it there.
install(FILES ${CMAKE_BINARY_DIR}/ksr_help.pdf DESTINATION . OPTIONAL)
install(FILES ${ksr_package_root}/render_map.py ${ksr_package_root}/render_splay.py ${ksr_package_root}/package/README.txt
        DESTINATION .)
install(DIRECTORY ${ksr_package_root}/examples/ DESTINATION examples
        FILES_MATCHING PATTERN "*.json" PATTERN "*.velt")

if(WIN32)
  set(ksr_package_system win32)
else()
  set(ksr_package_system linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ksr)
set(CPACK_PACKAGE_VENDOR "QTO")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KSR Array: line-array model module and its reference host")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ksr-${PROJECT_VERSION}-${ksr_package_system})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
