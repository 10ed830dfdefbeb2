# bash completion for tegmora-fx. Everything offered is read from the tool
# itself, so it never differs from the tool installed: the options and what
# each takes from --help, the filters and named operations from --list, the
# editor's presets from the end of --help.

# Each option --help lists, a tab, and what it takes as --help writes it:
# "-e<TAB>FILTER[:AMOUNT]", "--depth<TAB>keep|8|24", "--list<TAB>".
_tegmora_fx_options() {
    "$1" --help 2>/dev/null | awk '
        /^  -/ {
            head = substr($0, 3)
            sub(/  .*/, "", head)           # the description starts after two spaces
            n = split(head, word, " ")
            takes = ""
            names = 0
            for (i = 1; i <= n; i++) {
                if (word[i] ~ /^-/ && takes == "") { sub(/,$/, "", word[i]); name[++names] = word[i] }
                else takes = takes word[i]
            }
            for (i = 1; i <= names; i++) print name[i] "\t" takes
        }'
}

# The names -e takes, as the tool reads them: "edge-enhance", "darker", "hsl".
_tegmora_fx_effects() {
    {
        "$1" --list 2>/dev/null | awk '{
            name = $0
            sub(/^ *[0-9]* +/, "", name)    # the code before a numbered filter
            sub(/  .*/, "", name)
            gsub(/ /, "-", name)
            if (name != "") print tolower(name)
        }'
        "$1" --help 2>/dev/null |
            awk '/^Editor presets/ { on = 1; next } on && NF == 0 { exit } on { print $1 }'
    } | sort -u
}

_tegmora_fx() {
    local cur prev words cword
    _init_completion -n : || return
    local tool=${words[0]}
    [[ -x $tool ]] || tool=tegmora-fx

    local options takes
    options=$(_tegmora_fx_options "$tool")
    takes=$(awk -F '\t' -v option="$prev" '$1 == option { print $2; exit }' <<<"$options")
    case $takes in
        *'|'*) COMPREPLY=($(compgen -W "${takes//|/ }" -- "$cur")) ;;
        FILTER*) COMPREPLY=($(compgen -W "$(_tegmora_fx_effects "$tool")" -- "$cur")) ;;
        DIR*) _filedir -d ;;
        FILE*) _filedir ;;
        ?*) ;;                              # a number or a size: nothing to offer
        *)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$(cut -f 1 <<<"$options")" -- "$cur"))
            else
                _filedir
            fi
            ;;
    esac
}
complete -F _tegmora_fx tegmora-fx
