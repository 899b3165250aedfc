# Windows resources of a program: the application icon (icon 128, drawn from packaging/vornalix.svg at build
# time), version information and the manifest (common controls 6, DPI aware, the execution level).
#   vornalix_windows_resources(TARGET [ADMINISTRATOR] [DESCRIPTION text])
# ADMINISTRATOR asks for requireAdministrator (the program writes HKLM); otherwise asInvoker.
find_program(VORNALIX_CONVERT convert)
find_program(VORNALIX_RSVG_CONVERT rsvg-convert)
set(VORNALIX_WINDOWS_RESOURCES_DIR "${CMAKE_CURRENT_LIST_DIR}/../packaging/windows")

# The application icon as a .ico with every size Windows shows, drawn once per tree; sets out to its path.
function(vornalix_windows_icon out)
    set(dir "${CMAKE_BINARY_DIR}/windows-resources")
    set(ico "${dir}/vornalix.ico")
    if(NOT TARGET vornalix_windows_icon)
        if(NOT VORNALIX_CONVERT OR NOT VORNALIX_RSVG_CONVERT)
            message(FATAL_ERROR "rsvg-convert and ImageMagick's convert draw the Windows icon: "
                                "apt-get install librsvg2-bin imagemagick")
        endif()
        set(svg "${PROJECT_SOURCE_DIR}/packaging/vornalix.svg")
        set(pngs "")
        set(commands "")
        foreach(size 16 24 32 48 256)
            list(APPEND commands COMMAND "${VORNALIX_RSVG_CONVERT}" -w ${size} -h ${size} -o "${dir}/icon-${size}.png"
                "${svg}")
            list(APPEND pngs "${dir}/icon-${size}.png")
        endforeach()
        add_custom_command(OUTPUT "${ico}"
            COMMAND "${CMAKE_COMMAND}" -E make_directory "${dir}"
            ${commands}
            COMMAND "${VORNALIX_CONVERT}" ${pngs} "${ico}"
            DEPENDS "${svg}"
            COMMENT "Drawing the Windows application icon")
        add_custom_target(vornalix_windows_icon DEPENDS "${ico}")
    endif()
    set(${out} "${ico}" PARENT_SCOPE)
endfunction()

function(vornalix_windows_resources target)
    cmake_parse_arguments(R "ADMINISTRATOR" "DESCRIPTION" "" ${ARGN})
    vornalix_windows_icon(ico)
    set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}-resources")
    if(R_ADMINISTRATOR)
        set(VORNALIX_EXECUTION_LEVEL requireAdministrator)
    else()
        set(VORNALIX_EXECUTION_LEVEL asInvoker)
    endif()
    if(NOT R_DESCRIPTION)
        set(R_DESCRIPTION "Vornalix")
    endif()
    set(VORNALIX_TARGET "${target}")
    set(VORNALIX_DESCRIPTION "${R_DESCRIPTION}")
    set(VORNALIX_ICON "${ico}")
    set(VORNALIX_MANIFEST "${dir}/${target}.manifest")
    foreach(part MAJOR MINOR PATCH TWEAK)
        set(VORNALIX_VERSION_${part} "${PROJECT_VERSION_${part}}")
        if(VORNALIX_VERSION_${part} STREQUAL "")
            set(VORNALIX_VERSION_${part} 0)
        endif()
    endforeach()
    configure_file("${VORNALIX_WINDOWS_RESOURCES_DIR}/program.manifest.in" "${VORNALIX_MANIFEST}" @ONLY)
    configure_file("${VORNALIX_WINDOWS_RESOURCES_DIR}/program.rc.in" "${dir}/${target}.rc" @ONLY)
    # windres into an object linked with the program; the icon and manifest are read at that step.
    set(object "${dir}/${target}.res.o")
    add_custom_command(OUTPUT "${object}"
        COMMAND "${CMAKE_RC_COMPILER}" -O coff -i "${dir}/${target}.rc" -o "${object}"
        DEPENDS "${dir}/${target}.rc" "${VORNALIX_MANIFEST}" "${ico}" vornalix_windows_icon
        COMMENT "Compiling the resources of ${target}")
    set_source_files_properties("${object}" PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
    target_sources(${target} PRIVATE "${object}")
endfunction()
