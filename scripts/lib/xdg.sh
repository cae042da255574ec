# Sourced by the scripts that keep data for the user: the XDG base directory for data.
# XDG_DATA_HOME counts only when it is an absolute path; otherwise ~/.local/share.

korvana_data_home() {
    case "${XDG_DATA_HOME:-}" in
        /*) echo "$XDG_DATA_HOME" ;;
        *) echo "$HOME/.local/share" ;;
    esac
}
