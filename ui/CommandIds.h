#pragma once
// Every numeric command the desktop program knows: the menu, toolbar and
// accelerator commands the frame dispatches. The numbers are what the menus,
// the toolbar and the help texts are keyed by.

namespace zvk::ui {

enum class CommandId : int {
    // File.
    LoadFlash = 32771,
    LoadEeprom = 40136,
    SaveFlash = 40041,
    SaveEeprom = 40137,
    Exit = 57665,

    // Buffer.
    EditFlash = 40017,
    LocateFlash = 40107,
    ClearFlash = 40130,
    FillFlash = 40034,
    CopyFlash = 40110,
    ChecksumFlash = 40111,
    EditEeprom = 40135,
    LocateEeprom = 40138,
    ClearEeprom = 40139,
    FillEeprom = 40140,
    CopyEeprom = 40141,
    ChecksumEeprom = 40142,
    Disassembly = 32780,
    EnterProgram = 40045,

    // Device.
    SelectDevice = 40113,
    Auto = 40118,
    Erase = 40119,
    BlankCheck = 40120,
    Program = 40114,
    Read = 40128,
    Verify = 40122,
    Protect = 40123,
    SerialProgramEnable = 40124,
    SerialProgramDisable = 40125,
    BlankCheckEeprom = 40131,
    ProgramEeprom = 40132,
    ReadEeprom = 40133,
    VerifyEeprom = 40134,

    // Settings.
    SerialPort = 40115,
    Options = 40116,
    AutoProgrammingMode = 40126,
    Protection = 40127,

    // Help.
    HelpContents = 40177,
    About = 40117,

    // Window.
    Cascade = 57650,
    TileHorizontally = 57651,
    TileVertically = 57652,
    ArrangeIcons = 57649,
    CloseAll = 32778,

    // File > Reload: the last load again (an id of our own).
    ReloadFile = 40180,

    // Edit: undo and redo in the active buffer window (ids of our own).
    Undo = 40181,
    Redo = 40182,
};

}  // namespace zvk::ui
