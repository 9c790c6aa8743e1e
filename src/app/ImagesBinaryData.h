#pragma once

// Artwork carried in the program; the arrays are generated from assets/ at build time.

// The maker's logo (SVG), drawn by LogoImage.
extern const char* const temp_binary_data_1;
extern const int temp_binary_data_1Size;

// Message-box icons (SVG) of CustomLookAndFeel: questions and information, and warnings.
extern const char* const temp_binary_data_28;
extern const int temp_binary_data_28Size;
extern const char* const temp_binary_data_29;
extern const int temp_binary_data_29Size;

namespace BinaryData
{
    // The settings button's gear (SVG).
    extern const char* const temp_binary_data_2;
    extern const int temp_binary_data_2Size;

    // The "New version available" picture (PNG, 600 x 280).
    extern const char* const temp_binary_data_3;
    extern const int temp_binary_data_3Size;

    // The catalogue overlay's picture (PNG, 600 x 148).
    extern const char* const temp_binary_data_4;
    extern const int temp_binary_data_4Size;
}
