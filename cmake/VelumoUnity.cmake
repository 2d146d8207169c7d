# Unity build: the source files of each library and program are compiled in groups, one
# compiler run per group, so that the Qt and GoogleTest headers are read and instantiated once
# per group instead of once per file. A fresh build takes about half the time; a one-file change
# recompiles its group (a few seconds more than the file alone).
#
# CMake's own unity build names the grouped files by absolute path, which the compiler cache
# cannot reuse from a clone in another folder. Here a group file names its members relative to
# the checkout (found on the include path the cache rewrites relative to the build folder), so
# the group files, and their objects, are the same in every clone.
#
# A file that includes its own moc output, has flags of its own, holds main() or is marked
# SKIP_UNITY_BUILD_INCLUSION is compiled alone, as are generated files.

# The C++ sources of `target` that may be compiled in a group, into `out`.
function(velumo_unity_members target out)
    set(${out} "" PARENT_SCOPE)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|STATIC_LIBRARY|OBJECT_LIBRARY)$")
        return()
    endif()
    get_target_property(sources ${target} SOURCES)
    get_target_property(folder ${target} SOURCE_DIR)
    set(members)
    foreach(source IN LISTS sources)
        if(NOT source MATCHES "\\.cpp$" OR source MATCHES "^\\$<")
            continue()
        endif()
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${folder} NORMALIZE OUTPUT_VARIABLE path)
        cmake_path(IS_PREFIX CMAKE_SOURCE_DIR ${path} NORMALIZE inside)
        if(NOT inside OR NOT EXISTS ${path})
            continue()
        endif()
        # A file with main() stays alone too: in a static library, a program that needs another
        # member of its group would get a second main.
        file(STRINGS ${path} ownMoc REGEX "^(#include \"(moc_[^\"]*|[^\"]*\\.moc)\"|int main\\()")
        if(ownMoc)
            continue()
        endif()
        set(ownFlags FALSE)
        foreach(property COMPILE_OPTIONS COMPILE_DEFINITIONS COMPILE_FLAGS INCLUDE_DIRECTORIES
                SKIP_UNITY_BUILD_INCLUSION)
            get_source_file_property(value ${path} TARGET_DIRECTORY ${target} ${property})
            if(value)
                set(ownFlags TRUE)
            endif()
        endforeach()
        if(ownFlags)
            continue()
        endif()
        list(APPEND members ${path})
    endforeach()
    set(${out} ${members} PARENT_SCOPE)
endfunction()

# Groups `members` of `target`, `size` files to a group.
function(velumo_unity_target target size members)
    list(LENGTH members count)
    if(count LESS 2)
        return()
    endif()

    set(groupFiles)
    set(index 0)
    set(content "")
    set(inGroup 0)
    foreach(path IN LISTS members)
        file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${path})
        string(APPEND content "#include \"${relative}\"\n")
        set_source_files_properties(${path} TARGET_DIRECTORY ${target}
            PROPERTIES HEADER_FILE_ONLY ON)
        math(EXPR inGroup "${inGroup} + 1")
        if(inGroup EQUAL size)
            set(file ${CMAKE_BINARY_DIR}/unity/${target}_${index}.cpp)
            file(CONFIGURE OUTPUT ${file} CONTENT "${content}" @ONLY)
            list(APPEND groupFiles ${file})
            math(EXPR index "${index} + 1")
            set(content "")
            set(inGroup 0)
        endif()
    endforeach()
    if(inGroup GREATER 0)
        set(file ${CMAKE_BINARY_DIR}/unity/${target}_${index}.cpp)
        file(CONFIGURE OUTPUT ${file} CONTENT "${content}" @ONLY)
        list(APPEND groupFiles ${file})
    endif()
    set_source_files_properties(${groupFiles} TARGET_DIRECTORY ${target}
        PROPERTIES SKIP_AUTOGEN ON)
    target_sources(${target} PRIVATE ${groupFiles})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

# Every target defined in `directory` and below it. Whether a file is compiled in a group is a
# property of the file in its directory, not of the target: a file that two targets of one
# directory compile stays alone in both.
function(velumo_unity_directory directory size)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    set(seen)
    set(shared)
    foreach(target IN LISTS targets)
        velumo_unity_members(${target} members)
        set(members_${target} ${members})
        foreach(path IN LISTS members)
            if(path IN_LIST seen)
                list(APPEND shared ${path})
            endif()
            list(APPEND seen ${path})
        endforeach()
    endforeach()
    foreach(target IN LISTS targets)
        set(members ${members_${target}})
        if(shared)
            list(REMOVE_ITEM members ${shared})
        endif()
        velumo_unity_target(${target} ${size} "${members}")
    endforeach()
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        velumo_unity_directory(${subdirectory} ${size})
    endforeach()
endfunction()
