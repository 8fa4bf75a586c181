# bash completion for stepquill-convert: its options, the tokens and the
# charts by their endings (.dwi, .sm, .ssc in any case) and folders.

_stepquill_convert() {
    local current="${COMP_WORDS[COMP_CWORD]}"
    local previous="${COMP_WORDS[COMP_CWORD-1]}"
    COMPREPLY=()
    case "$previous" in
        --up-left|--up-right|--down-left|--down-right|--up-down|--left-right)
            COMPREPLY=($(compgen -W "A B X Y L R" -- "$current"))
            return ;;
        -o|--output)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$current"))
            return ;;
        --shift|--encoding)
            return ;;
    esac
    if [[ "$current" == -* ]]; then
        COMPREPLY=($(compgen -W "--all --json --shift --encoding -o --output -q --quiet
            --up-left --up-right --down-left --down-right --up-down --left-right
            --help --version" -- "$current"))
        return
    fi
    compopt -o filenames 2>/dev/null
    local name
    while IFS= read -r name; do
        if [[ -d "$name" ]]; then
            COMPREPLY+=("$name")
        else
            case "${name,,}" in
                *.dwi|*.sm|*.ssc) COMPREPLY+=("$name") ;;
            esac
        fi
    done < <(compgen -f -- "$current")
}
complete -F _stepquill_convert stepquill-convert
