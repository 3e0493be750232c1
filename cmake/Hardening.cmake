# The protections Debian builds its packages with (dpkg-buildflags with hardening=+all): checked
# buffer functions, stack protection, a position-independent executable and read-only
# relocations bound at start. Left out of the sanitizer and fuzzing builds, whose own
# instrumentation they would only get in the way of.
if(NOT GLIMMERBOX_SANITIZE AND NOT GLIMMERBOX_FUZZ AND NOT GLIMMERBOX_TSAN)
    add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong
        -fstack-clash-protection -fcf-protection)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
