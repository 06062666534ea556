// Shows an editor's text, its selected text and its formatting (as HTML) in the window's title, where the
// compatibility suite reads them: "quillet:TEXT:SELECTION:HTML". In each field a space is "+", and
// "+", "%", ":" and control characters are percent-encoded; nothing else is, as Epiphany cuts a
// title at about 500 characters. The title follows every change of the text or the selection, a
// moment later.
window.quilletTitle = (() => {
    const encode = text => text.replace(/[+%:\x00-\x1f]/g, c => '%' + c.charCodeAt(0).toString(16).padStart(2, '0'))
                               .replace(/ /g, '+');
    const show = (read, watched) => {
        let pending = 0;
        const update = () => {
            pending = 0;
            const s = read();
            const title = 'quillet:' + [s.text, s.selection, s.html || ''].map(encode).join(':');
            if (document.title !== title)
                document.title = title;
        };
        const later = () => {
            if (!pending)
                pending = setTimeout(update, 20);
        };
        new MutationObserver(later).observe(watched, {subtree: true, childList: true, characterData: true});
        document.addEventListener('selectionchange', later);
        update();
        return later;
    };
    // A block's text as the user sees it: a line break is a line feed, the break an editor keeps at
    // the end of a block so that it has a height is nothing.
    const blockText = block => {
        let text = '';
        const walk = node => {
            for (const child of node.childNodes) {
                if (child.nodeType === Node.TEXT_NODE)
                    text += child.data;
                else if (child.nodeName === 'BR')
                    text += child.nextSibling ? '\n' : '';
                else if (child.nodeType === Node.ELEMENT_NODE)
                    walk(child);
            }
        };
        walk(block);
        return text;
    };
    // The text of a rich-text editing host: its blocks in order, one line feed between them.
    const blocksText = host => {
        const blocks = [...host.children].filter(e => getComputedStyle(e).display !== 'inline');
        return blocks.length ? blocks.map(blockText).join('\n') : blockText(host);
    };
    const selectedIn = host => {
        const selection = window.getSelection();
        return selection.rangeCount && host.contains(selection.anchorNode) ? selection.toString() : '';
    };
    // A contenteditable editing host: its text, its selection and the HTML of its bold words and
    // links (Firefox cuts a long title: the whole HTML would not fit beside the text).
    const formatted = host => [...host.querySelectorAll('strong, b, a')].map(e => e.outerHTML).join('');
    const richText = host =>
        show(() => ({text: blocksText(host), selection: selectedIn(host), html: formatted(host)}), host);
    return {show, blocksText, richText};
})();
