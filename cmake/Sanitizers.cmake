# -DGLIMMERBOX_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
option(GLIMMERBOX_SANITIZE "Build with ASan and UBSan" OFF)
if(GLIMMERBOX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# -DGLIMMERBOX_FUZZ=ON (clang only) instruments everything for libFuzzer, with ASan and UBSan,
# and adds the fuzz targets of fuzz/.
option(GLIMMERBOX_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(GLIMMERBOX_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "GLIMMERBOX_FUZZ needs clang (CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# -DGLIMMERBOX_TSAN=ON builds everything with ThreadSanitizer, for the work that leaves a window's
# thread (Qt itself is not instrumented: tests/tsan.supp names what it does unseen).
option(GLIMMERBOX_TSAN "Build with ThreadSanitizer" OFF)
if(GLIMMERBOX_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
