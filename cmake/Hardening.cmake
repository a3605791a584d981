# The hardening Debian gives its own packages (hardening=+all), which its compiler does not add by
# itself: stack protector and stack-clash probes, checked libc calls (they need optimisation, so
# only in the optimised build types), control-flow protection where the compiler has it, a
# position-independent executable, relocations made read-only before main runs, and a stack that
# cannot be executed. scripts/check-hardening checks the built program for them; each compile
# unit's options are also recorded in the section .GCC.command.line, which stripping keeps, so
# that the stripped executable of the self-contained folder can be checked too.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

add_compile_options(-fstack-protector-strong -fstack-clash-protection -frecord-gcc-switches
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
check_cxx_compiler_flag(-fcf-protection DRAVESSE_HAS_CF_PROTECTION)
if(DRAVESSE_HAS_CF_PROTECTION)
    add_compile_options(-fcf-protection)
endif()

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_link_options(LINKER:-z,relro,-z,now LINKER:-z,noexecstack)
