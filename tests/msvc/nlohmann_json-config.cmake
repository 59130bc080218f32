# Stand-in for vcpkg's nlohmann-json package: configuring only.
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
