#include "main/usage.h"

#include <strings.h>

#include <initializer_list>

bool IsHelpArgument(const char* argument) {
    if (!argument) return false;
    for (const char* name : {"-h", "--help", "-help", "-?"})
        if (strcasecmp(argument, name) == 0) return true;
    return false;
}

const char* UsageText() {
    return "Usage: lumivane [switches]\n"
           "Plays the show in data/ (or demo.dat) with its music.\n"
           "\n"
           "Switches (any case, anywhere on the line):\n"
           "  -windowed          play in a window instead of full screen\n"
           "  -skipsettings      start without the settings dialog\n"
           "  -lowres            render at 1280 x 720 instead of 1920 x 1080\n"
           "  -aa                8x multisample anti-aliasing\n"
           "  -notontop          the window does not stay on top\n"
           "  -silent            no music\n"
           "  -transport         playback keys: space, left, right, up\n"
           "  -togglekeys        digit keys 0-9 switch effects on and off\n"
           "  -demofile NAME     play the script NAME instead of demo.xml\n"
           "  -video             record the show at 30 frames per second instead of playing it\n"
           "  -videofile NAME    record into NAME (.wmv or .mp4 with the music); implies -video\n"
           "  -frames N          end after N frames\n"
           "  -headless          no window, no dialog, no sound device\n"
           "  -check             load the show, report every problem and exit\n"
           "  -overlay           start with the F1 overlay shown\n"
           "  -h, --help         print this text and exit\n"
           "\n"
           "Keys while playing:\n"
           "  Escape             end the show\n"
           "  F1                 show or hide the overlay: frame times, effect GPU times,\n"
           "                     show time with bar and beat, shader errors\n"
           "  F11                save a screenshot\n"
           "  space              pause or resume (with -transport)\n"
           "  left / right       one beat back / forward; shift 4 beats, ctrl 1/4 (with -transport)\n"
           "  up                 back to the start (with -transport)\n"
           "  0-9                switch effects on and off (with -togglekeys)\n"
           "\n"
           "Without a display and without switches, a 10 s preview is recorded to preview.mp4.\n";
}
