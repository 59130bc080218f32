# Stand-in for vcpkg's fmt package: configuring only, nothing is compiled against it.
add_library(fmt::fmt INTERFACE IMPORTED)
