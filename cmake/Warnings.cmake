# Warnings every target of ours is built with; tests and tools included.
function(glimmerbox_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
endfunction()
