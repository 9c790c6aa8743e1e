# Artwork is edited under assets/ and carried in the program as constant byte arrays.
# Each entry: array name, namespace ("-" for none) and source file under assets/, joined by ":".
set(MOSAIRE_ARTWORK
    "temp_binary_data_1:-:logo.svg"
    "temp_binary_data_2:BinaryData:gear.svg"
    "temp_binary_data_3:BinaryData:update-notice.png"
    "temp_binary_data_4:BinaryData:updating-resources.png"
    "temp_binary_data_28:-:alert-icon.svg"
    "temp_binary_data_29:-:warning-icon.svg")

function(mosaire_embed_artwork out_var)
    set(outputs)
    foreach(entry IN LISTS MOSAIRE_ARTWORK)
        string(REPLACE ":" ";" fields "${entry}")
        list(GET fields 0 name)
        list(GET fields 1 ns)
        list(GET fields 2 source)
        set(output "${MOSAIRE_GENERATED_DIR}/artwork/${name}.cpp")
        add_custom_command(
            OUTPUT "${output}"
            COMMAND "${CMAKE_COMMAND}" -DINPUT=${CMAKE_SOURCE_DIR}/assets/${source}
                    -DOUTPUT=${output} -DNAME=${name} -DNAMESPACE=${ns}
                    -P "${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake"
            DEPENDS "${CMAKE_SOURCE_DIR}/assets/${source}" "${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake"
            COMMENT "Embedding assets/${source} as ${name}"
            VERBATIM)
        list(APPEND outputs "${output}")
    endforeach()
    set(${out_var} ${outputs} PARENT_SCOPE)
endfunction()
