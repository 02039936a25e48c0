# Header folders per library, so that the build refuses an include of a layer above.
#
# Sources keep including "folder/header.h". A library does not see the source tree: it sees
# <build>/headers/<target>/<folder>, a symbolic link to its source folder (or, with FILES, links to just
# those headers of the folder), plus the folders of the libraries it links. An include of a folder the
# library does not link then fails with "No such file or directory".
function(vantrel_layer_headers target folder)
    cmake_parse_arguments(PARSE_ARGV 2 _arg "" "" "FILES")
    set(_root ${CMAKE_BINARY_DIR}/headers/${target})
    set(_view ${_root}/${folder})
    # Links from an earlier configure go first (file(REMOVE) takes a link, never what it points at).
    if(IS_SYMLINK ${_view})
        file(REMOVE ${_view})
    elseif(IS_DIRECTORY ${_view})
        file(GLOB _old LIST_DIRECTORIES true ${_view}/*)
        if(_old)
            file(REMOVE ${_old})
        endif()
    endif()
    if(_arg_FILES)
        file(MAKE_DIRECTORY ${_view})
        foreach(_file IN LISTS _arg_FILES)
            file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder}/${_file} ${_view}/${_file} SYMBOLIC)
        endforeach()
    else()
        file(REMOVE_RECURSE ${_view})
        file(MAKE_DIRECTORY ${_root})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${_view} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${_root})
endfunction()
