# What `cmake --install` puts in place for a program that embeds or drives the extension:
# libvelorin.so and the platform stand-ins it runs on, the C header of the exported functions
# (include/velorin/Velorin.h), the headers needed to use AnimatedImageView, a CMake package
# (find_package(Velorin) gives Velorin::velorin and Velorin::velorin_platform) and a
# pkg-config file. velorin-sim and the bundled sample root install themselves.
#
# The C++ headers find each other by folder ("platform/display/View.h"), so a consumer gets
# both include/ (for <velorin/Velorin.h>) and include/velorin/ on its include path.
include(CMakePackageConfigHelpers)

set(VELORIN_INSTALL_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/velorin)
set(VELORIN_INSTALL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Velorin)

# A program that uses AnimatedImageView also calls the platform stand-ins it derives from.
target_link_libraries(velorin INTERFACE velorin_platform)
target_compile_features(velorin INTERFACE cxx_std_20)

target_include_directories(velorin INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_include_directories(velorin_platform
                           INTERFACE $<INSTALL_INTERFACE:${VELORIN_INSTALL_INCLUDE_DIR}>)

install(TARGETS velorin EXPORT VelorinTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

install(FILES integration/Velorin.h DESTINATION ${VELORIN_INSTALL_INCLUDE_DIR})
install(FILES animation/AnimatedImageView.h DESTINATION ${VELORIN_INSTALL_INCLUDE_DIR}/animation)
install(FILES platform/Export.h platform/Object.h
        DESTINATION ${VELORIN_INSTALL_INCLUDE_DIR}/platform)
install(FILES platform/display/Geometry.h platform/display/Image.h platform/display/Layer.h
              platform/display/PixelBytes.h
              platform/display/View.h
        DESTINATION ${VELORIN_INSTALL_INCLUDE_DIR}/platform/display)

install(EXPORT VelorinTargets NAMESPACE Velorin:: DESTINATION ${VELORIN_INSTALL_CMAKE_DIR})
configure_package_config_file(cmake/VelorinConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VelorinConfig.cmake
                              INSTALL_DESTINATION ${VELORIN_INSTALL_CMAKE_DIR})
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VelorinConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VelorinConfig.cmake
              ${PROJECT_BINARY_DIR}/VelorinConfigVersion.cmake
        DESTINATION ${VELORIN_INSTALL_CMAKE_DIR})

# The pkg-config file finds the prefix from its own place, so the tree can be installed under
# any prefix (`cmake --install --prefix`) or moved afterwards.
set(VELORIN_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${VELORIN_PKGCONFIG_DIR}")
    set(VELORIN_PKGCONFIG_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
    set(VELORIN_PKGCONFIG_PREFIX "\${pcfiledir}")
    string(REPLACE "/" ";" pkgconfig_dir_parts "${VELORIN_PKGCONFIG_DIR}")
    foreach(part IN LISTS pkgconfig_dir_parts)
        if(part)
            string(APPEND VELORIN_PKGCONFIG_PREFIX "/..")
        endif()
    endforeach()
endif()
configure_file(cmake/velorin.pc.in ${PROJECT_BINARY_DIR}/velorin.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/velorin.pc DESTINATION ${VELORIN_PKGCONFIG_DIR})

# Installed programs and the extension find the platform library beside them in the prefix.
set_target_properties(velorin velorin-sim PROPERTIES INSTALL_RPATH
                      "$ORIGIN;$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
