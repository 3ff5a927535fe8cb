# inih and its INIReader are the reference readers.
find_package(PkgConfig REQUIRED)
pkg_check_modules(INIH REQUIRED IMPORTED_TARGET inih)
pkg_check_modules(INIREADER REQUIRED IMPORTED_TARGET INIReader)
target_link_libraries(${target} PRIVATE PkgConfig::INIREADER PkgConfig::INIH)
