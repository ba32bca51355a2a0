// The viewer's own command ids, beside the framework's standard ones. The
// view handles most of them and the application the file steps; they live
// here so that the view and the main frame need nothing of the application
// object. The values are stable: the application's tables refer to
// commands by them.
#pragma once

enum AppCommandId : int {
    ID_VIEW_SHOW_INFO = 32771,
    ID_VIEW_ZOOM_IN = 32772,
    ID_FILE_FIRST = 32773,
    ID_FILE_PREVIOUS = 32774,
    ID_VIEW_FIT_WINDOW = 32775,
    ID_VIEW_REAL_SIZE = 32776,
    ID_FILE_NEXT = 32777,
    ID_VIEW_ZOOM_OUT = 32778,
    ID_FILE_LAST = 32779,
    ID_VIEW_FIT_WIDTH = 32780,

    // The six blank toolbar buttons under the banner: no string, no handler.
    ID_BLANK_FIRST = 32782,
    ID_BLANK_LAST = 32787,

    // Everyday viewing: full screen, scrolling by keys, reloading and
    // following the file shown.
    ID_VIEW_FULL_SCREEN = 32900,
    ID_VIEW_LEAVE_FULL_SCREEN = 32901,
    ID_VIEW_PAGE_UP = 32902,
    ID_VIEW_PAGE_DOWN = 32903,
    ID_VIEW_SCROLL_TOP = 32904,
    ID_VIEW_SCROLL_BOTTOM = 32905,
    ID_VIEW_SCROLL_LEFT_EDGE = 32906,
    ID_VIEW_SCROLL_RIGHT_EDGE = 32907,
    ID_FILE_RELOAD = 32908,
    ID_FILE_FOLLOW = 32909,

    // The Channel menu: the colour, the alpha, then one command per render
    // channel in channel bit order (ID_CHANNEL_FIRST + bit).
    ID_CHANNEL_COLOUR = 32920,
    ID_CHANNEL_ALPHA = 32921,
    ID_CHANNEL_FIRST = 32922,
    ID_CHANNEL_LAST = 32935,
    ID_FILE_EXPORT = 32936,

    // Playback of the folder's frames: play or stop, the rates in the order
    // of PlaybackSchedule::kRates, and keeping time.
    ID_VIEW_PLAY = 32940,
    ID_VIEW_RATE_FIRST = 32941,
    ID_VIEW_RATE_LAST = 32945,
    ID_VIEW_KEEP_TIME = 32946,

    // How pictures open: fitted in the window when bigger than it.
    ID_VIEW_FIT_BIG_ON_OPEN = 32950,

    // The look of the colour view: exposure, the built-in display
    // transforms (those of an OpenColorIO config are made at run time, one
    // per display and view, without ids) and the components.
    ID_VIEW_EXPOSURE_UP = 32960,
    ID_VIEW_EXPOSURE_DOWN = 32961,
    ID_VIEW_EXPOSURE_RESET = 32962,
    ID_VIEW_TRANSFORM_STORED = 32963,
    ID_VIEW_TRANSFORM_SRGB = 32964,
    ID_VIEW_SHOW_RED = 32965,
    ID_VIEW_SHOW_GREEN = 32966,
    ID_VIEW_SHOW_BLUE = 32967,
    ID_VIEW_SHOW_LUMINANCE = 32968,
    ID_VIEW_OVER_CHECKER = 32969,
    // How the depth, velocity and UV views scale their channel.
    ID_DEPTH_RANGE_FULL = 32980,
    ID_DEPTH_RANGE_AUTO = 32981,
    ID_DEPTH_RANGE_TYPED = 32982,
    ID_DEPTH_INVERT = 32983,
    ID_DEPTH_LOGARITHMIC = 32984,
    ID_DEPTH_RANGE_SWITCH = 32985,  // Full and Auto in turn
    ID_VELOCITY_SCALE_LARGEST = 32986,
    ID_VELOCITY_SCALE_AUTO = 32987,
    ID_VELOCITY_SCALE_TYPED = 32988,
    ID_UV_SCALE_LARGEST = 32989,
    ID_UV_SCALE_AUTO = 32990,
    ID_UV_SCALE_TYPED = 32991,

    // The shown file's sequence: the timeline, stepping by frame, the in and
    // out points and how playback goes round.
    ID_VIEW_TIMELINE = 33000,
    ID_FRAME_PREVIOUS = 33001,
    ID_FRAME_NEXT = 33002,
    ID_FRAME_GO_TO = 33003,
    ID_FRAME_SET_IN = 33004,
    ID_FRAME_SET_OUT = 33005,
    ID_FRAME_CLEAR_IN_OUT = 33006,
    ID_PLAY_LOOP = 33007,
    ID_PLAY_ONCE = 33008,
    ID_PLAY_PING_PONG = 33009,
    // Comparing two renders: the reference loaded beside the file shown,
    // and how the two are shown.
    ID_FILE_COMPARE_WITH = 33020,
    ID_FILE_STOP_COMPARING = 33021,
    ID_VIEW_COMPARE_WIPE = 33022,
    ID_VIEW_COMPARE_FLICKER = 33023,
    ID_VIEW_COMPARE_DIFFERENCE = 33024,
    ID_VIEW_COMPARE_GAIN = 33025,
};
