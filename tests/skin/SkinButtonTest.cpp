// picture buttons
