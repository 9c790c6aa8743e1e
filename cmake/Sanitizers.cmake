# MOSAIRE_SANITIZE=address gives ASan with UBSan, MOSAIRE_SANITIZE=thread gives TSan.
function(mosaire_apply_sanitizer target)
    if(MOSAIRE_SANITIZE STREQUAL "address")
        set(flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    elseif(MOSAIRE_SANITIZE STREQUAL "thread")
        set(flags -fsanitize=thread -fno-omit-frame-pointer)
    elseif(MOSAIRE_SANITIZE STREQUAL "")
        return()
    else()
        message(FATAL_ERROR "MOSAIRE_SANITIZE must be empty, 'address' or 'thread'")
    endif()
    target_compile_options(${target} PUBLIC ${flags})
    target_link_options(${target} PUBLIC ${flags})
endfunction()

# JUCE 7.0.5 copies and compares empty memory blocks with memcpy/memcmp on null pointers (any
# juce::URL copy does it); that check is left out for JUCE's own sources only.
function(mosaire_relax_sanitizer_for_juce)
    if(MOSAIRE_SANITIZE STREQUAL "address")
        file(GLOB juceModuleSources "${JUCE_MODULES_DIR}/juce_*/juce_*.cpp")
        set_source_files_properties(${juceModuleSources} PROPERTIES COMPILE_OPTIONS "-fno-sanitize=nonnull-attribute")
    endif()
endfunction()
