# bash completion for hexcrate-convert                     -*- shell-script -*-

# File names that begin with $2, each put after $1 (a "--option=" typed
# in the same word); one name a line, so names with spaces stay whole.
_hexcrate_convert_files()
{
    local IFS=$'\n'
    [[ -z $1 ]] && compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -P "$1" -f -- "$2"))
}

_hexcrate_convert()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev="" keep=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}

    # "--output=x" arrives as "--output" "=" "x" when "=" breaks words.
    if [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        keep=$prev=
        cur=${cur#*=}
    fi

    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == -- ]]; then
            prev=""
            break
        fi
    done

    case $prev in
        -c | --class | -n | --name)
            return # free text: nothing to propose
            ;;
        --data)
            COMPREPLY=($(compgen -P "$keep" -W 'hex string incbin rc source' -- "$cur"))
            return
            ;;
        -o | --output | --depfile)
            _hexcrate_convert_files "$keep" "$cur"
            return
            ;;
    esac

    if [[ $cur == -* && $i -eq $COMP_CWORD ]]; then
        COMPREPLY=($(compgen -W '-c --class -o --output -n --name --update
            --depfile --data -q --quiet -h --help -V --version --' -- "$cur"))
        return
    fi
    _hexcrate_convert_files "" "$cur"
}
complete -F _hexcrate_convert hexcrate-convert
