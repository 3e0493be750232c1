# The layers are kept by the build: a library sees the headers of its own folder and of the
# libraries it links, nothing else, so an include that points up the layers does not compile.
#
# Each library gets an include tree of its own in the build folder, holding a link to its source
# folder (or, for the platform interfaces, to each interface header alone), and that tree is its
# include directory instead of src/. What it links brings the trees of the layers below.
set(GLIMMERBOX_INCLUDE_TREES ${CMAKE_BINARY_DIR}/include_trees)

# glimmerbox_layer(target folder [HEADERS header...]): `target` shows `src/<folder>` to itself and
# to whatever links it; with HEADERS, only those headers of the folder.
function(glimmerbox_layer target folder)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "HEADERS")
    set(tree ${GLIMMERBOX_INCLUDE_TREES}/${target})
    file(REMOVE_RECURSE ${tree})
    if(arg_HEADERS)
        file(MAKE_DIRECTORY ${tree}/${folder})
        foreach(header IN LISTS arg_HEADERS)
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder}/${header} ${tree}/${folder}/${header}
                SYMBOLIC)
        endforeach()
    else()
        file(MAKE_DIRECTORY ${tree})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${tree}/${folder} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${tree})
    else()
        target_include_directories(${target} PUBLIC ${tree})
    endif()
endfunction()

# glimmerbox_layer_breach(name library source header): a test that `source`, compiled as part of
# `library` would be, fails for want of `header` — the proof that the layer cannot see it.
function(glimmerbox_layer_breach name library source header)
    add_library(${name} OBJECT EXCLUDE_FROM_ALL ${source})
    target_link_libraries(${name} PRIVATE ${library})
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target ${name})
    # Any other failure (a syntax error, a missing library) must not pass for the proof.
    string(REPLACE "." "\\." pattern ${header})
    set_tests_properties(${name} PROPERTIES LABELS layers RESOURCE_LOCK build_tree
        PASS_REGULAR_EXPRESSION "${pattern}: No such file;'${pattern}' file not found")
endfunction()
