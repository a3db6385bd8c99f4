# Installs the library, its headers (subsystem folders kept under include/zbutil),
# a pkg-config file and a CMake package exporting zbutil::zbutil.
include(CMakePackageConfigHelpers)

install(TARGETS zbutil EXPORT zbutilTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zbutil)

set(ZBUTIL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zbutil)
install(EXPORT zbutilTargets NAMESPACE zbutil:: DESTINATION ${ZBUTIL_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zbutilConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zbutilConfig.cmake INSTALL_DESTINATION ${ZBUTIL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zbutilConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zbutilConfig.cmake ${PROJECT_BINARY_DIR}/zbutilConfigVersion.cmake
  DESTINATION ${ZBUTIL_CMAKE_DIR})

# Relocatable: the prefix is found from where the .pc file sits, so that
# `cmake --install --prefix` anywhere gives a working file.
file(RELATIVE_PATH ZBUTIL_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" ZBUTIL_PC_TO_PREFIX "${ZBUTIL_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/zbutil.pc.in ${PROJECT_BINARY_DIR}/zbutil.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zbutil.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
