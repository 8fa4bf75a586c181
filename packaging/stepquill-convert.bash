# bash completion for stepquill-convert: its options and the values of those
# that take one of a few, the charts by their endings (.dwi, .sm, .ssc in any
# case), folders and archives (a library, with --all), and a chart's
# difficulties after it.

# A word as the shell will read it, for the quoting people type while
# completing: backslashes, single and double quotes, and a leading ~/.
_stepquill_convert_unquote() {
    local word="$1" text="" quote="" c i
    for ((i = 0; i < ${#word}; i++)); do
        c="${word:i:1}"
        if [[ "$quote" == "'" ]]; then
            [[ "$c" == "'" ]] && quote="" || text+="$c"
        elif [[ "$c" == '\' && ( -z "$quote" || "${word:i+1:1}" == [\"\\\$\`] ) ]]; then
            text+="${word:i+1:1}"
            ((++i))
        elif [[ "$c" == '"' ]]; then
            [[ -n "$quote" ]] && quote="" || quote='"'
        elif [[ "$c" == "'" && -z "$quote" ]]; then
            quote="'"
        else
            text+="$c"
        fi
    done
    [[ "$word" == "~/"* ]] && text="$HOME/${text#\~/}"
    printf '%s' "$text"
}

# Whether a name ends as an archive the converter reads as a library does
# (in any case).
_stepquill_convert_is_archive() {
    case "${1,,}" in
        ?*.tar.lz|?*.tgz|?*.tbz2|?*.txz|?*.zip|?*.tar|?*.7z|?*.cpio|?*.iso|?*.rar|?*.gz|?*.bz2|?*.xz|?*.zst)
            return 0 ;;
    esac
    return 1
}

# Files (and folders) that begin with the word being completed, one word
# each whatever spaces their names hold; readline quotes them as it does
# its own file names. With "charts", only folders, charts and archives.
_stepquill_convert_files() {
    local typed="$1" charts_only="${2-}" name
    compopt -o filenames 2>/dev/null
    while IFS= read -r name; do
        if [[ -z "$charts_only" || -d "$name" ]] || _stepquill_convert_is_archive "$name"; then
            COMPREPLY+=("$name")
        else
            case "${name,,}" in
                *.dwi|*.sm|*.ssc) COMPREPLY+=("$name") ;;
            esac
        fi
    done < <(compgen -f -- "$(_stepquill_convert_unquote "$typed")")
}

# The difficulty texts of a chart's --json line, each ended by a NUL byte. The line holds
# {"text":"...","name":"...","rating":...} for each difficulty, last of all;
# no string can hold the sequence "text":" unescaped, so the texts are found
# by that and read up to the first quote not escaped by a backslash.
_stepquill_convert_json_difficulties() {
    local rest="${1#*\"difficulties\":\[}" body text
    local part='^\{"text":"((\\.|[^"\\])*)","name":"(\\.|[^"\\])*","rating":[^,}]*\},?(.*)$'
    while [[ "$rest" =~ $part ]]; do
        body="${BASH_REMATCH[1]}"
        rest="${BASH_REMATCH[4]}"
        text=""
        while [[ "$body" == *\\* ]]; do
            text+="${body%%\\*}"
            body="${body#*\\}"
            case "${body:0:1}" in
                n) text+=$'\n' ;;
                t) text+=$'\t' ;;
                r) text+=$'\r' ;;
                b) text+=$'\b' ;;
                f) text+=$'\f' ;;
                u) printf -v text '%s\u'"${body:1:4}" "$text"; body="${body:4}" ;;
                *) text+="${body:0:1}" ;;
            esac
            body="${body:1}"
        done
        printf '%s\0' "$text$body"
    done
}

# The difficulties of `chart` that begin with the word being completed, as
# the converter lists them, each quoted to stay one word.
_stepquill_convert_difficulties() {
    local converter="$1" chart="$2" encoding="$3" typed="$4" line text
    local -a limit=()
    # An archive is a library, which has no difficulty to name.
    [[ -f "$chart" ]] && ! _stepquill_convert_is_archive "$chart" || return
    converter="$(_stepquill_convert_unquote "$converter")"
    type -P timeout >/dev/null && limit=(timeout 5)
    local -a options=(--json)
    [[ -n "$encoding" ]] && options+=(--encoding "$encoding")
    line="$("${limit[@]}" "$converter" "$chart" "${options[@]}" 2>/dev/null </dev/null)" || return
    local wanted quote="${COMP_WORDS[COMP_CWORD]:0:1}"
    wanted="$(_stepquill_convert_unquote "$typed")"
    while IFS= read -r -d '' text; do
        [[ "$text" == "$wanted"* ]] || continue
        # Quoted to suit the word as typed: within the quotes it opens, or
        # with backslashes.
        case "$quote" in
            \") text="${text//\\/\\\\}"; text="${text//\"/\\\"}"; text="${text//\$/\\\$}"; text="${text//\`/\\\`}" ;;
            \') text="${text//\'/\'\\\'\'}" ;;
            *) printf -v text '%q' "$text" ;;
        esac
        COMPREPLY+=("$text")
    done < <(_stepquill_convert_json_difficulties "$line")
}

# Bash splits a word at "=", so "--up-left=A" comes as "--up-left" "=" "A".
# $2 is the text being completed, as readline replaces it.
_stepquill_convert() {
    local current="${2-}"
    COMPREPLY=()
    # The option whose value is being completed, if any.
    local option="${COMP_WORDS[COMP_CWORD-1]}"
    if [[ "${COMP_WORDS[COMP_CWORD]}" == "=" ]]; then
        current=""
    elif [[ "$option" == "=" ]]; then
        option="${COMP_WORDS[COMP_CWORD-2]}"
    fi
    case "$option" in
        --up-left|--up-right|--down-left|--down-right|--up-down|--left-right)
            # Taken in either case, offered in upper case.
            COMPREPLY=($(compgen -W "A B X Y L R" -- "${current^^}"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W "kvt csv json c-header" -- "$current"))
            return ;;
        --zero)
            COMPREPLY=($(compgen -W "music first-press" -- "$current"))
            return ;;
        --time-unit)
            COMPREPLY=($(compgen -W "us ms" -- "$current"))
            return ;;
        --chart-format)
            COMPREPLY=($(compgen -W "dwi sm ssc" -- "$current"))
            return ;;
        -o|--output|--report)
            _stepquill_convert_files "$current"
            return ;;
        --shift|--encoding|--tap-ms|--roll-ms|-j|--jobs)
            return ;;
    esac
    if [[ "$current" == -* ]]; then
        COMPREPLY=($(compgen -W "--all --json --shift --encoding -o --output -q --quiet
            --up-left --up-right --down-left --down-right --up-down --left-right
            --chart-format --format --tap-ms --roll-ms --zero --time-unit
            --every-chart -j --jobs --report --help --version" -- "$current"))
        return
    fi

    # The words before this one: which are the chart and its difficulty, and
    # what else asks for no difficulty.
    local -a positional=()
    local encoding="" no_part="" options_end="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        local this="${COMP_WORDS[i]}"
        if [[ -n "$options_end" || "$this" == "-" || "$this" != -* ]]; then
            positional+=("$this")
            continue
        fi
        case "$this" in
            --) options_end=1 ;;
            --all|--json|--every-chart|--help|--version) no_part=1 ;;
            -o|--output|--shift|--encoding|--up-left|--up-right|--down-left|--down-right|--up-down|--left-right|\
            --chart-format|--format|--tap-ms|--roll-ms|--zero|--time-unit|-j|--jobs|--report)
                [[ "${COMP_WORDS[i+1]}" == "=" ]] && ((++i))
                ((i + 1 < COMP_CWORD)) || break
                ((++i))
                [[ "$this" == --encoding ]] && encoding="$(_stepquill_convert_unquote "${COMP_WORDS[i]}")" ;;
        esac
    done
    case "${#positional[@]}" in
        0) _stepquill_convert_files "$current" charts ;;
        1) [[ -z "$no_part" && "${positional[0]}" != "-" ]] &&
            _stepquill_convert_difficulties "${COMP_WORDS[0]}" "$(_stepquill_convert_unquote "${positional[0]}")" \
                "$encoding" "$current" ;;
    esac
}
complete -F _stepquill_convert stepquill-convert
