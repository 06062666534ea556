// CKEditor 5, its classic build.
import '../title.js';
import ClassicEditor from '@ckeditor/ckeditor5-build-classic';

const element = document.getElementById('editor');
element.innerHTML = document.getElementById('source').innerHTML;
ClassicEditor.create(element, {licenseKey: 'GPL'}).then(editor => {
    quilletTitle.richText(editor.ui.view.editable.element);
    editor.editing.view.focus();
});
