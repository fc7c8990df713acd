# Embeds a Windows version resource block (VS_VERSIONINFO) in an executable, in the ELF section
# ".tesra.version", where the version reader finds it. FileVersion and ProductVersion are the
# project version with four numbers; InternalName is the build date, refreshed on every build.
#
#   tesra_add_version_resource(<target> [DESCRIPTION text] [PRODUCT text] [COMPANY text]
#                              [COPYRIGHT text] [ORIGINAL_FILENAME name] [OLDER_BUILD_BLOCK file])
#
# OLDER_BUILD_BLOCK also writes the block of the previous build (the fourth number one lower) to file, for
# the package test's older build: the same program with that block in its section.

set(TESRA_VERSION_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/..)

function(_tesra_version_resource_generator)
  if(TARGET tesra_version_resource_gen)
    return()
  endif()
  add_executable(tesra_version_resource_gen
    ${TESRA_VERSION_RESOURCE_DIR}/tools/VersionResourceGen/main.cpp
    ${TESRA_VERSION_RESOURCE_DIR}/setup/VersionResource.cpp
    ${TESRA_VERSION_RESOURCE_DIR}/support/TextCodec.cpp)
  target_include_directories(tesra_version_resource_gen PRIVATE ${TESRA_VERSION_RESOURCE_DIR})
endfunction()

function(tesra_add_version_resource target)
  cmake_parse_arguments(V "" "DESCRIPTION;PRODUCT;COMPANY;COPYRIGHT;ORIGINAL_FILENAME;OLDER_BUILD_BLOCK" "" ${ARGN})
  if(NOT DEFINED V_DESCRIPTION)
    set(V_DESCRIPTION "蓝岸浏览器")
  endif()
  if(NOT DEFINED V_PRODUCT)
    set(V_PRODUCT "TesraBrowser")
  endif()
  if(NOT DEFINED V_COMPANY)
    set(V_COMPANY "Kestal")
  endif()
  if(NOT DEFINED V_COPYRIGHT)
    set(V_COPYRIGHT "Copyright (C) Kestal")
  endif()
  if(NOT DEFINED V_ORIGINAL_FILENAME)
    set(V_ORIGINAL_FILENAME $<TARGET_FILE_NAME:${target}>)
  endif()

  # Always four numbers: a missing part of the project version counts 0.
  set(version)
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(number ${PROJECT_VERSION_${part}})
    if(number STREQUAL "")
      set(number 0)
    endif()
    list(APPEND version ${number})
  endforeach()
  list(GET version 3 build_number)
  math(EXPR older_build_number "${build_number} - 1")
  list(SUBLIST version 0 3 older_version)
  list(APPEND older_version ${older_build_number})
  list(JOIN version "." version)
  list(JOIN older_version "." older_version)

  _tesra_version_resource_generator()
  set(block ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.bin)
  set(assembly ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.S)
  # The generator runs on every build (the date may have changed) but rewrites the block only when
  # it differs, so an unchanged block neither reassembles nor relinks.
  set(strings "CompanyName=${V_COMPANY}" "FileDescription=${V_DESCRIPTION}"
    "LegalCopyright=${V_COPYRIGHT}" "OriginalFilename=${V_ORIGINAL_FILENAME}" "ProductName=${V_PRODUCT}")
  set(older)
  if(V_OLDER_BUILD_BLOCK)
    set(older COMMAND tesra_version_resource_gen ${V_OLDER_BUILD_BLOCK} ${older_version} ${strings})
  endif()
  add_custom_target(${target}_version_resource
    COMMAND tesra_version_resource_gen ${block} ${version} ${strings}
    ${older}
    BYPRODUCTS ${block} ${V_OLDER_BUILD_BLOCK}
    COMMENT "Version resource of ${target}"
    VERBATIM)
  file(WRITE ${assembly}.in
    "    .section .tesra.version,\"\",%progbits\n"
    "    .incbin \"${block}\"\n"
    "    .section .note.GNU-stack,\"\",%progbits\n")
  configure_file(${assembly}.in ${assembly} COPYONLY)
  set_source_files_properties(${assembly} TARGET_DIRECTORY ${target} PROPERTIES LANGUAGE ASM OBJECT_DEPENDS ${block})
  target_sources(${target} PRIVATE ${assembly})
  add_dependencies(${target} ${target}_version_resource)
endfunction()
