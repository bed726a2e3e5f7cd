#include "platform/gtk/key_positions.h"

namespace ravok {

namespace {
// Linux key numbers (input-event-codes.h) of the US layout's printing keys.
struct TPosition {
    unsigned key;
    int code;
};
constexpr TPosition kPositions[] = {
    {2, '1'},  {3, '2'},  {4, '3'},  {5, '4'},  {6, '5'},  {7, '6'},  {8, '7'},  {9, '8'},
    {10, '9'}, {11, '0'}, {12, 189}, {13, 187}, {16, 'Q'}, {17, 'W'}, {18, 'E'}, {19, 'R'},
    {20, 'T'}, {21, 'Y'}, {22, 'U'}, {23, 'I'}, {24, 'O'}, {25, 'P'}, {26, 219}, {27, 221},
    {30, 'A'}, {31, 'S'}, {32, 'D'}, {33, 'F'}, {34, 'G'}, {35, 'H'}, {36, 'J'}, {37, 'K'},
    {38, 'L'}, {39, 186}, {40, 222}, {41, 192}, {43, 220}, {44, 'Z'}, {45, 'X'}, {46, 'C'},
    {47, 'V'}, {48, 'B'}, {49, 'N'}, {50, 'M'}, {51, 188}, {52, 190}, {53, 191}, {86, 226},
};
} // namespace

int virtualKeyAtPosition(unsigned hardwareKeycode) {
    if (hardwareKeycode < 8) return 0;
    unsigned key = hardwareKeycode - 8;
    for (const TPosition& p : kPositions)
        if (p.key == key) return p.code;
    return 0;
}

} // namespace ravok
