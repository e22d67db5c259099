# For the shell tests that look at windows on $DISPLAY (sourced).
#   wait_window PATTERN   the first visible window whose name matches, within
#                         30 s; prints its id, fails when none appears

wait_window() {
    _i=0
    while [ $_i -lt 150 ]; do
        _w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$_w" ] && { echo "$_w"; return 0; }
        sleep 0.2
        _i=$((_i + 1))
    done
    return 1
}
